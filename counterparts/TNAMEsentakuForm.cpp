#include "counterparts/TNAMEsentakuForm.h"

#include "counterparts/TNAMEdelForm.h"
#include "counterparts/TNAMEeditForm.h"
#include "counterparts/TNAMEregi2Form.h"
#include "counterparts/TNAMEsrchForm.h"

#include "data/types.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/colorbutton.h"
#include "widgets/datasource.h"
#include "widgets/dbgrid.h"
#include "widgets/fonts.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTabBar>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace mz::counterparts {

namespace {

// What a pick does in each mode.
enum class Pick { OpenWindow, EntryName, SelectedName };

struct ModeInfo {
    qint32 mode;
    const char16_t* heading;
    Pick pick;
    // The window a pick opens, with this window as owner; null in the modes that answer with a
    // name.
    void (*open)(QWidget* owner);
};

constexpr ModeInfo kModes[] = {
    {mz::mode::kNameAddFamily, u"相手先の選択 ( 家族追加 )", Pick::OpenWindow,
     [](QWidget* o) { mz::platform::openModal(o, mz::state().NAMEregi2Form); }},
    {mz::mode::kNameEdit, u"相手先の選択 ( 修正 )", Pick::OpenWindow,
     [](QWidget* o) { mz::platform::openModal(o, mz::state().NAMEeditForm); }},
    {mz::mode::kNameDelete, u"相手先の選択 ( 削除 )", Pick::OpenWindow,
     [](QWidget* o) { mz::platform::openModal(o, mz::state().NAMEdelForm); }},
    {mz::mode::kNameSearch, u"相手先の選択 ( 検索 )", Pick::OpenWindow,
     [](QWidget* o) { mz::platform::openModal(o, mz::state().NAMEsrchForm); }},
    {mz::mode::kNameEntry, u"相手先の選択", Pick::EntryName, nullptr},
    {mz::mode::kNameCriterion, u"相手先の選択", Pick::SelectedName, nullptr},
    {mz::mode::kNameBalance, u"相手先の選択 ( 贈答 )", Pick::SelectedName, nullptr},
};

const ModeInfo* modeInfo(qint32 mode) {
    for (const ModeInfo& m : kModes)
        if (m.mode == mode) return &m;
    return nullptr;
}

const QString kNoneSelected = u"相手先が選択されていません。"_s;

// A code held in a number field as the 32-bit integer handed on: rounded and clamped.
qint32 codeOf(double value) {
    if (!std::isfinite(value)) return 0;
    const double r = std::round(value);
    if (r <= static_cast<double>(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (r >= static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(r);
}

}  // namespace

QStringList kanaRowPrefixes(int tab) {
    // Half-width katakana writes a voicing mark as a character of its own after the plain
    // letter, so ｶﾞ and ﾊﾟ begin with ｶ and ﾊ and fall under カ and ハ.
    static const QStringList rows[kKanaRowCount] = {
        {u"ｱ"_s, u"ｲ"_s, u"ｳ"_s, u"ｴ"_s, u"ｵ"_s}, {u"ｶ"_s, u"ｷ"_s, u"ｸ"_s, u"ｹ"_s, u"ｺ"_s},
        {u"ｻ"_s, u"ｼ"_s, u"ｽ"_s, u"ｾ"_s, u"ｿ"_s}, {u"ﾀ"_s, u"ﾁ"_s, u"ﾂ"_s, u"ﾃ"_s, u"ﾄ"_s},
        {u"ﾅ"_s, u"ﾆ"_s, u"ﾇ"_s, u"ﾈ"_s, u"ﾉ"_s}, {u"ﾊ"_s, u"ﾋ"_s, u"ﾌ"_s, u"ﾍ"_s, u"ﾎ"_s},
        {u"ﾏ"_s, u"ﾐ"_s, u"ﾑ"_s, u"ﾒ"_s, u"ﾓ"_s}, {u"ﾔ"_s, u"ﾕ"_s, u"ﾖ"_s},
        {u"ﾗ"_s, u"ﾘ"_s, u"ﾙ"_s, u"ﾚ"_s, u"ﾛ"_s}, {u"ﾜ"_s},
    };
    if (tab < 0 || tab >= kKanaRowCount) return {};
    return rows[tab];
}

QString kanaRowFilter(int tab) {
    const QStringList prefixes = kanaRowPrefixes(tab);
    if (prefixes.isEmpty()) return QString();
    auto literal = [](const QString& prefix) { return u'\'' + prefix + u"*'"_s; };
    QString text = u"((フリガナ="_s + literal(prefixes.front());
    for (qsizetype i = 1; i < prefixes.size(); ++i)
        text += u") or "_s + u"(フリガナ="_s + literal(prefixes[i]);
    return text + u"))"_s;
}

QString selectionHeading(qint32 mode) {
    const ModeInfo* m = modeInfo(mode);
    return m ? QString::fromUtf16(m->heading) : u"相手先の選択"_s;
}

}  // namespace mz::counterparts

TNAMEsentakuForm::TNAMEsentakuForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());

    using mz::widgets::kPGothic;
    using mz::widgets::pixelFont;
    setFont(pixelFont(kPGothic, 12));
    Label1->setFont(pixelFont(kPGothic, 16, true));
    QPalette blue = Label1->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label1->setPalette(blue);
    ColorButton1->setFont(pixelFont(kPGothic, 13));
    ColorButton2->setFont(pixelFont(kPGothic, 13));

    // The grid lies inside the tab control, below the tabs, whichever tab is selected.
    const QRect gridArea = DBGrid1->geometry().translated(-TabControl1->pos());
    DBGrid1->setParent(TabControl1);
    DBGrid1->setGeometry(gridArea);
    DBGrid1->show();
    DBGrid1->raise();
    // All ten tabs stand in one row across the control: each is only as wide as its letter
    // needs, so none is hidden behind scroll buttons.
    TabControl1->tabBar()->setExpanding(false);
    TabControl1->setUsesScrollButtons(false);
    TabControl1->tabBar()->setStyleSheet(u"QTabBar::tab { min-width: 0px; padding: 4px 8px; }"_s);
    setTabOrder(TabControl1, DBGrid1);
    setTabOrder(DBGrid1, ColorButton1);
    setTabOrder(ColorButton1, ColorButton2);

    DBGrid1->setColor(QPalette().color(QPalette::ToolTipBase));
    DBGrid1->setFixedColor(QColor(0x00, 0xFF, 0x00));
    DBGrid1->setTitleFont(pixelFont(kPGothic, 12));
    DBGrid1->setColumns({
        {u"氏名"_s, u"氏名"_s, 141, Qt::AlignLeft},
        {u"フリガナ"_s, u"フリガナ"_s, 141, Qt::AlignLeft},
    });

    // The table opens with the window; an error here means there is no window.
    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    Table1->open(u"Aitesaki.DBF"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    DataSource1->setDataSet(Table1);
    DBGrid1->setDataSource(DataSource1);

    // Centred on the screen's work area, whichever window opens it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    mz::platform::runCreationHandler([this] { FormCreate(); });

    using mz::platform::guarded;
    // Connected after creation: selecting the first tab from the program is no tab change.
    connect(TabControl1, &QTabWidget::currentChanged, this,
            guarded([this] { TabControl1Change(); }));
    connect(DBGrid1, &TDBGrid::dblClick, this, guarded(this, &TNAMEsentakuForm::DBGrid1DblClick));
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));
}

TNAMEsentakuForm::~TNAMEsentakuForm() = default;

void TNAMEsentakuForm::FormCreate() {
    Label1->setText(mz::counterparts::selectionHeading(mz::state().NameSelectMode));
    Label1->adjustSize();
    Table1->setIndexName(u"フリガナ"_s);
    Table1->setFiltered(true);
    {
        const QSignalBlocker quiet(TabControl1);
        TabControl1->setCurrentIndex(0);
    }
    Table1->setFilter(mz::counterparts::kanaRowFilter(0));
}

void TNAMEsentakuForm::TabControl1Change() {
    Table1->setFilter(mz::counterparts::kanaRowFilter(TabControl1->currentIndex()));
    Table1->first();
}

void TNAMEsentakuForm::DBGrid1DblClick() {
    pick();
}

void TNAMEsentakuForm::ColorButton1Click() {
    pick();
}

void TNAMEsentakuForm::ColorButton2Click() {
    close();
}

void TNAMEsentakuForm::pick() {
    using namespace mz::counterparts;
    const ModeInfo* mode = modeInfo(mz::state().NameSelectMode);
    if (!mode) return;
    if (Table1->eof() && Table1->recordCount() == 0) {
        mz::platform::notice(this, mz::platform::padded(kNoneSelected));
        return;
    }
    switch (mode->pick) {
        case Pick::OpenWindow:
            mz::state().CurrentNameCode = codeOf(Table1->number(u"相手先コード"_s));
            // The window stays open on the same tab for the next pick; only the delete window
            // re-reads the list.
            if (mode->open) mode->open(this);
            break;
        case Pick::EntryName:
            mz::state().EntryName = Table1->text(u"氏名"_s);
            accept();
            break;
        case Pick::SelectedName:
            mz::state().SelectedName = Table1->text(u"氏名"_s);
            accept();
            break;
    }
}
