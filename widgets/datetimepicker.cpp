#include "widgets/datetimepicker.h"

#include "platform/errorreport.h"

#include <QCalendarWidget>
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
}

TDateTimePicker::~TDateTimePicker() {
    disconnect(link_, nullptr, this, nullptr);
    disconnect(this, &QDateEdit::dateChanged, this, &TDateTimePicker::onDateChanged);
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
