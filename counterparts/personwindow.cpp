#include "counterparts/personwindow.h"

#include "platform/platform.h"
#include "widgets/colorbutton.h"
#include "widgets/datasource.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dbmemo.h"
#include "widgets/fonts.h"
#include "widgets/format.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::counterparts {

namespace {

using widgets::ImeMode;
using widgets::kGothic;
using widgets::kPGothic;
using widgets::pixelFont;

struct FieldInfo {
    const char16_t* field;
    ImeMode ime;
};

constexpr FieldInfo kEditFields[] = {
    {u"相手先コード", ImeMode::Off}, {u"氏名", ImeMode::Hiragana},
    {u"フリガナ", ImeMode::HalfKatakana}, {u"〒", ImeMode::Off},
    {u"住所1", ImeMode::Hiragana},     {u"住所2", ImeMode::Hiragana},
    {u"自宅電話", ImeMode::Off},       {u"携帯電話", ImeMode::Off},
    {u"ＦＡＸ", ImeMode::Off},         {u"Email", ImeMode::Off},
};

// The labels drawn in the proportional font: 相手先コード, フリガナ(半角), Ｅ-ｍａｉｌ.
constexpr size_t kProportionalLabels[] = {0, 2, 9};

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    w->setPalette(p);
}

}  // namespace

QString codeText(double code) {
    return format::formatNumber(code);
}

qint32 intCode(double value) {
    if (!std::isfinite(value)) return 0;
    const double r = std::round(value);
    if (r <= static_cast<double>(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (r >= static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(r);
}

double householdBase(double code) {
    return std::trunc(code / 100.0) * 100.0;
}

QString householdFilter(double code) {
    const double base = householdBase(code);
    return u"((相手先コード>"_s + codeText(base) + u") and (相手先コード<"_s +
           codeText(base + 100.0) + u"))"_s;
}

QString personFilter(qint32 code) {
    return u"相手先コード= "_s + QString::number(code);
}

double newHouseholdCode(double highest) {
    return (std::trunc(highest / 100.0) + 1.0) * 100.0 + 1.0;
}

bool inHousehold(double code, double member) {
    const double base = householdBase(member);
    return code > base && code < base + 100.0;
}

bool selectPerson(data::Cursor& person, data::Cursor& household, qint32 code) {
    household.setFiltered(true);
    household.setFilter(householdFilter(code));
    person.setFiltered(true);
    person.setFilter(personFilter(code));
    return person.recordCount() > 0;
}

void setupPersonWindow(QDialog* window, QLabel* heading, const PersonFields& fields,
                       TDataSource* source, FieldAccess access) {
    window->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    window->setFont(pixelFont(kGothic, 12));
    heading->setFont(pixelFont(kPGothic, 16, true));
    setTextColour(heading, QColor(0, 0, 255));
    heading->adjustSize();
    for (size_t i = 0; i < fields.labels.size(); ++i) {
        QLabel* l = fields.labels[i];
        bool proportional = false;
        for (size_t p : kProportionalLabels) proportional = proportional || p == i;
        l->setFont(pixelFont(proportional ? kPGothic : kGothic, 12));
        l->adjustSize();
    }

    const bool readOnly = access == FieldAccess::ReadOnly;
    for (size_t i = 0; i < fields.edits.size(); ++i) {
        TDBEdit* e = fields.edits[i];
        e->setFont(pixelFont(kGothic, 12));
        e->setImeMode(kEditFields[i].ime);
        e->setDataSource(source);
        e->setDataField(QString::fromUtf16(kEditFields[i].field));
        e->setReadOnly(readOnly || i == 0);
    }
    // The code is the window's to give, never the user's to change.
    fields.edits[0]->setEnabled(false);
    fields.edits[0]->setMaxLength(6);

    fields.memo->setFont(pixelFont(kGothic, 12));
    fields.memo->setImeMode(ImeMode::Hiragana);
    fields.memo->setDataSource(source);
    fields.memo->setDataField(u"メモ"_s);
    fields.memo->setReadOnly(readOnly);
    fields.memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    fields.head->setDataSource(source);
    fields.head->setDataField(kHeadField);
    fields.head->setVisible(false);

    if (readOnly) source->setAutoEdit(false);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = window->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        window->move(r.topLeft());
    }
}

void setupHouseholdList(QLabel* panel, TDBGrid* grid, TDataSource* source) {
    panel->setFont(pixelFont(kPGothic, 13));
    panel->setFrameShape(QFrame::Box);
    panel->setAlignment(Qt::AlignCenter);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, QColor(0x00, 0xFF, 0x00));
    p.setColor(QPalette::WindowText, QColor(0, 0, 0));
    panel->setPalette(p);

    grid->setFont(pixelFont(kGothic, 12));
    grid->setTitleFont(pixelFont(kGothic, 12));
    grid->setColor(QPalette().color(QPalette::ToolTipBase));
    grid->setFixedColor(QColor(0x00, 0xFF, 0x00));
    grid->setColumns({
        {kCodeField, QString(), -1, Qt::AlignHCenter},
        {u"氏名"_s, QString(), -1, {}},
    });
    grid->setDataSource(source);
}

void styleButtons(std::initializer_list<TColorButton*> buttons) {
    for (TColorButton* b : buttons) {
        b->setFont(pixelFont(kPGothic, 13));
        b->setAutoDefault(false);
        QPalette p = b->palette();
        p.setColor(QPalette::ButtonText, QColor(0, 0, 0));
        b->setPalette(p);
    }
}

void PersonWindow::refuseOpening(const QString& message) {
    refused_ = true;
    platform::notice(isVisible() ? this : parentWidget(), platform::padded(message));
    if (isVisible()) done(QDialog::Rejected);
}

void PersonWindow::setVisible(bool visible) {
    if (visible && refused_) {
        // Never appears: finishing tells the opener that the window has closed.
        done(QDialog::Rejected);
        return;
    }
    QDialog::setVisible(visible);
}

PersonTables openPersonTables(QObject* window) {
    auto cursor = [window](const QString& name) {
        auto* c = new data::Cursor(window);
        c->setObjectName(name);
        c->open(kAddressBook);
        return c;
    };
    auto source = [window](const QString& name, data::Cursor* dataSet) {
        auto* s = new TDataSource(window);
        s->setObjectName(name);
        s->setDataSet(dataSet);
        return s;
    };
    PersonTables t{};
    t.person = cursor(QStringLiteral("Table1"));
    t.household = cursor(QStringLiteral("Table2"));
    t.personSource = source(QStringLiteral("DataSource1"), t.person);
    t.householdSource = source(QStringLiteral("DataSource2"), t.household);
    return t;
}

}  // namespace mz::counterparts
