#include "app/TMizorelMenuForm.h"

#include "app/TMizorel_verForm.h"
#include "app/helpcommand.h"
#include "backup/TBackupForm.h"
#include "counterparts/TNAMEkubunForm.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "ledger/TAITEbetuForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOKAEshiForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "ledger/returns.h"
#include "masters/TKAZOeditForm.h"
#include "masters/TKAZOregiForm.h"
#include "masters/TMOKUdelForm.h"
#include "masters/TMOKUeditForm.h"
#include "masters/TMOKUregiForm.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "reception/TGYOJIsentakuForm.h"
#include "spreadsheet/TCSVinForm.h"
#include "spreadsheet/TCSVoutForm.h"
#include "widgets/fonts.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>

void mizorelInitResources();

namespace {

constexpr int kDesignClientHeight = 527;

struct ButtonDesign {
    int top;
    int height;
};
constexpr ButtonDesign kButton1{334, 75}, kButton2{334, 75}, kButton3{454, 51};

void styleButton(TColorButton* b, const QColor& face, int fontPixels) {
    b->setColor(face);
    b->setFont(mz::widgets::pixelFont(mz::widgets::kGothic, fontPixels));
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, p.color(QPalette::WindowText));
    b->setPalette(p);
}

}  // namespace

using mz::platform::guarded;

TMizorelMenuForm::TMizorelMenuForm(QWidget* parent) : QMainWindow(parent) {
    mizorelInitResources();
    setupUi(this);
    setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 12));
    MainMenu1->setFont(font());
    setWindowIcon(QIcon(QStringLiteral(":/mizorel/icon.png")));
    resize(766, kDesignClientHeight + MainMenu1->sizeHint().height());

    // The picture is drawn at its natural size from the control's corner and clipped to it: only
    // that corner is decoded, which keeps the start quick and the picture small in memory.
    QImageReader background(QStringLiteral(":/mizorel/background.jpg"));
    background.setClipRect(
        QRect(QPoint(0, 0), Image2->size()).intersected(QRect(QPoint(0, 0), background.size())));
    Image2->setPixmap(QPixmap::fromImage(background.read()));
    Image2->installEventFilter(this);
    Image2->lower();

    styleButton(ColorButton1, QColor(149, 255, 149), 27);
    styleButton(ColorButton2, QColor(255, 151, 255), 27);
    styleButton(ColorButton3, QColor(0, 255, 255), 24);

    // A line on the picture, not a box: it reads as a note and is a link for mouse and keyboard.
    LabelReminder->setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 13));
    LabelReminder->setAutoFillBackground(true);
    QPalette quiet = LabelReminder->palette();
    quiet.setColor(QPalette::Window, QColor(255, 255, 240, 220));
    LabelReminder->setPalette(quiet);
    LabelReminder->setContentsMargins(6, 2, 6, 2);
    LabelReminder->setWordWrap(true);
    LabelReminder->setTextFormat(Qt::RichText);
    LabelReminder->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                           Qt::LinksAccessibleByKeyboard);
    LabelReminder->setCursor(Qt::PointingHandCursor);
    connect(LabelReminder, &QLabel::linkActivated, this,
            guarded(this, &TMizorelMenuForm::Return1Click));

    connect(S2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::S2Click));
    connect(N11, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N11Click));
    connect(N2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N2Click));
    connect(N3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N3Click));
    connect(N4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N4Click));
    connect(N5, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N5Click));
    connect(N9, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N9Click));
    connect(R4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::R4Click));
    connect(E4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::E4Click));
    connect(D3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::D3Click));
    connect(P2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::P2Click));
    connect(R3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::R3Click));
    connect(E3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::E3Click));
    connect(P1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::P1Click));
    connect(N12, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N12Click));
    connect(Uketsuke1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::Uketsuke1Click));
    connect(Return1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::Return1Click));
    connect(B1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::B1Click));
    connect(CsvOut1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::CsvOut1Click));
    connect(CsvIn1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::CsvIn1Click));
    connect(M1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::M1Click));
    connect(V1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::V1Click));
    connect(Q1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::Q1Click));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TMizorelMenuForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TMizorelMenuForm::ColorButton2Click));
    connect(ColorButton3, &QPushButton::clicked, this,
            guarded(this, &TMizorelMenuForm::ColorButton3Click));

    // Centred on the screen when first shown.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    mz::state().MizorelMenuForm = this;
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TMizorelMenuForm::~TMizorelMenuForm() = default;

int TMizorelMenuForm::anchoredTop(int designTop, int height, int clientHeight) {
    const double centre = designTop + height / 2.0;
    return static_cast<int>(std::lround(centre * clientHeight / kDesignClientHeight - height / 2.0));
}

void TMizorelMenuForm::reanchorButtons() {
    const int h = ClientArea->height();
    ColorButton1->move(ColorButton1->x(), anchoredTop(kButton1.top, kButton1.height, h));
    ColorButton2->move(ColorButton2->x(), anchoredTop(kButton2.top, kButton2.height, h));
    ColorButton3->move(ColorButton3->x(), anchoredTop(kButton3.top, kButton3.height, h));
}

void TMizorelMenuForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The client area is 766 x 527 below the menu bar, whatever height the style gives the bar.
    if (!sized_) {
        sized_ = true;
        const int missing = kDesignClientHeight - ClientArea->height();
        if (missing != 0) resize(width(), height() + missing);
    }
}

void TMizorelMenuForm::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // The reminder reads the return and income tables: only once the window is on the screen.
    if (!reminderScheduled_) {
        reminderScheduled_ = true;
        QTimer::singleShot(0, this, &TMizorelMenuForm::updateReturnReminder);
    }
}

void TMizorelMenuForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    reanchorButtons();
}

bool TMizorelMenuForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Image2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image2Click();
        return true;
    }
    if (watched == ClientArea && event->type() == QEvent::Resize) reanchorButtons();
    return QMainWindow::eventFilter(watched, event);
}

void TMizorelMenuForm::FormCreate() {
    mz::state().DataDir = mz::platform::currentDir();
}

void TMizorelMenuForm::updateReturnReminder() {
    reminderChecked_ = true;
    QString text;
    try {
        text = mz::ledger::returns::reminderText(
            mz::ledger::returns::overdueReminder(QDate::currentDate()));
    } catch (const mz::data::EngineError&) {
        // No line rather than a box: the windows that need the tables say what is wrong.
    }
    LabelReminder->setText(
        text.isEmpty() ? QString()
                       : QStringLiteral("<a href=\"okaeshi\" style=\"color:#993300;\">%1</a>")
                             .arg(text.toHtmlEscaped()));
    LabelReminder->setToolTip(
        text.isEmpty() ? QString() : QStringLiteral("クリックするとお返し管理を開きます"));
    // One line when it fits, wrapped within 600 pixels when it does not.
    const int width = std::min(600, LabelReminder->fontMetrics().horizontalAdvance(text) + 16);
    LabelReminder->resize(width, LabelReminder->heightForWidth(width));
    // Its foot stays where the design puts it, above the window's lower edge.
    LabelReminder->move(LabelReminder->x(), 510 - LabelReminder->height());
    LabelReminder->setVisible(!text.isEmpty());
}

void TMizorelMenuForm::S2Click() {
    mz::platform::openModal(this, mz::state().INsrSrForm);
    updateReturnReminder();
}
void TMizorelMenuForm::ColorButton1Click() { S2Click(); }
void TMizorelMenuForm::N11Click() { mz::platform::openModal(this, mz::state().OUTsrSrForm); }
void TMizorelMenuForm::ColorButton2Click() { N11Click(); }
// 相手先設定 › 登録: the registration-kind window, which passes the mode on to the selection window.
void TMizorelMenuForm::N2Click() {
    const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameAddFamily);
    mz::platform::openModal(this, mz::state().NAMEkubunForm);
}
// 相手先設定 › 修正 / 削除 / 検索: the selection window, whose pick opens the window of the mode.
void TMizorelMenuForm::N3Click() {
    const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameEdit);
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
}
void TMizorelMenuForm::N4Click() {
    const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameDelete);
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
}
void TMizorelMenuForm::N5Click() {
    const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameSearch);
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
}
void TMizorelMenuForm::N9Click() {
    if (auto* form = mz::state().RepAite2Form.data()) form->QuickRep1->Preview(this);
}
void TMizorelMenuForm::R4Click() { mz::platform::openModal(this, mz::state().MOKUregiForm); }
void TMizorelMenuForm::E4Click() { mz::platform::openModal(this, mz::state().MOKUeditForm); }
void TMizorelMenuForm::D3Click() { mz::platform::openModal(this, mz::state().MOKUdelForm); }
void TMizorelMenuForm::P2Click() {
    if (auto* form = mz::state().RepMoku1Form.data()) form->QuickRep1->Preview(this);
}
void TMizorelMenuForm::R3Click() { mz::platform::openModal(this, mz::state().KAZOregiForm); }
void TMizorelMenuForm::E3Click() { mz::platform::openModal(this, mz::state().KAZOeditForm); }
void TMizorelMenuForm::P1Click() {
    if (auto* form = mz::state().RepKazo1Form.data()) form->QuickRep1->Preview(this);
}
void TMizorelMenuForm::N12Click() { mz::platform::openModal(this, mz::state().AITEbetuForm); }
void TMizorelMenuForm::Return1Click() {
    mz::platform::openModal(this, mz::state().OKAEshiForm);
    updateReturnReminder();
}
void TMizorelMenuForm::Uketsuke1Click() {
    mz::platform::openModal(this, mz::state().GYOJIsentakuForm);
    updateReturnReminder();  // every guest taken has a return due
}
void TMizorelMenuForm::B1Click() { mz::platform::openModal(this, mz::state().BackupForm); }

void TMizorelMenuForm::CsvOut1Click() {
    const mz::mode::Scope scope(&mz::SharedState::CsvExportMode, mz::mode::kCsvExportTables);
    mz::platform::openModal(this, mz::state().CSVoutForm);
}

void TMizorelMenuForm::CsvIn1Click() { mz::platform::openModal(this, mz::state().CSVinForm); }

void TMizorelMenuForm::M1Click() { mz::app::openHelp(this); }

void TMizorelMenuForm::V1Click() { mz::platform::openModal(this, mz::state().Mizorel_verForm); }

void TMizorelMenuForm::Q1Click() { close(); }
void TMizorelMenuForm::ColorButton3Click() { close(); }
void TMizorelMenuForm::Image2Click() { close(); }
