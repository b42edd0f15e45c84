#include "widgets/datetimepicker.h"

#include "platform/errorreport.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>

using mz::widgets::FieldLink;

TDateTimePicker::TDateTimePicker(QWidget* parent)
    : QDateEdit(QDate::currentDate(), parent),
      link_(new FieldLink(this)),
      ime_(new mz::widgets::ImeModeKeeper(this)) {
    // Dates read the same on every machine; the calendar speaks Japanese.
    setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setCalendarPopup(true);
    ime_->setMode(mz::widgets::ImeMode::Off);
    connect(link_, &FieldLink::refresh, this, [this] { showField(); });
    connect(this, &QDateEdit::dateChanged, this, &TDateTimePicker::onDateChanged);
    // Clicks on the text land on the inner line edit, not on the date box.
    lineEdit()->installEventFilter(this);
}

TDateTimePicker::~TDateTimePicker() {
    disconnect(link_, nullptr, this, nullptr);
    disconnect(this, &QDateEdit::dateChanged, this, &TDateTimePicker::onDateChanged);
}

bool TDateTimePicker::eventFilter(QObject* watched, QEvent* event) {
    // The press has put the text cursor into a part; when the button comes up, that part is
    // selected. Without this the cursor sits inside a full part and every digit typed there is
    // refused, so typing after a click would change nothing. A drag keeps its own selection.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !isReadOnly() &&
        !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    return QDateEdit::eventFilter(watched, event);
}

TDataSource* TDateTimePicker::dataSource() const {
    return link_->dataSource();
}

void TDateTimePicker::setDataSource(TDataSource* source) {
    link_->setDataSource(source);
}

QString TDateTimePicker::dataField() const {
    return link_->fieldName();
}

void TDateTimePicker::setDataField(const QString& field) {
    link_->setFieldName(field);
}

mz::widgets::ImeMode TDateTimePicker::imeMode() const {
    return ime_->mode();
}

void TDateTimePicker::setImeMode(mz::widgets::ImeMode mode) {
    ime_->setMode(mode);
}

void TDateTimePicker::showField() {
    if (!link_->isBound()) return;
    const mz::data::Value v = link_->value();
    const QDate* d = std::get_if<QDate>(&v);
    QScopedValueRollback guard(showing_, true);
    setDate(d && d->isValid() ? *d : QDate::currentDate());
}

void TDateTimePicker::onDateChanged() {
    if (showing_ || !link_->isActive()) return;
    try {
        if (!link_->beginUserChange()) {
            showField();
            return;
        }
    } catch (...) {
        showField();
        mz::platform::reportCurrentException();
        return;
    }
    link_->write(date());
}
