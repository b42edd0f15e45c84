#include "app/TMizorelMenuForm.h"

#include "app/TMizorel_verForm.h"
#include "app/helpviewer.h"
#include "backup/TBackupForm.h"
#include "counterparts/TNAMEkubunForm.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "ledger/TAITEbetuForm.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "masters/TKAZOeditForm.h"
#include "masters/TKAZOregiForm.h"
#include "masters/TMOKUdelForm.h"
#include "masters/TMOKUeditForm.h"
#include "masters/TMOKUregiForm.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "printouts/printoutforms.h"
#include "ui_TMizorelMenuForm.h"
#include "widgets/fonts.h"

#include <QMouseEvent>
#include <QScreen>

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

TMizorelMenuForm::TMizorelMenuForm(QWidget* parent) : QMainWindow(parent), ui(new Ui::TMizorelMenuForm) {
    mizorelInitResources();
    ui->setupUi(this);
    setFont(mz::widgets::pixelFont(mz::widgets::kPGothic, 12));
    ui->MainMenu1->setFont(font());
    setWindowIcon(QIcon(QStringLiteral(":/mizorel/icon.png")));
    resize(766, kDesignClientHeight + ui->MainMenu1->sizeHint().height());

    // The picture is drawn at its natural size from the control's corner and clipped to it.
    ui->Image2->setPixmap(QPixmap(QStringLiteral(":/mizorel/background.jpg")));
    ui->Image2->installEventFilter(this);
    ui->Image2->lower();

    styleButton(ui->ColorButton1, QColor(149, 255, 149), 27);
    styleButton(ui->ColorButton2, QColor(255, 151, 255), 27);
    styleButton(ui->ColorButton3, QColor(0, 255, 255), 24);

    connect(ui->S2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::S2Click));
    connect(ui->N11, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N11Click));
    connect(ui->N2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N2Click));
    connect(ui->N3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N3Click));
    connect(ui->N4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N4Click));
    connect(ui->N5, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N5Click));
    connect(ui->N9, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N9Click));
    connect(ui->R4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::R4Click));
    connect(ui->E4, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::E4Click));
    connect(ui->D3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::D3Click));
    connect(ui->P2, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::P2Click));
    connect(ui->R3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::R3Click));
    connect(ui->E3, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::E3Click));
    connect(ui->P1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::P1Click));
    connect(ui->N12, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::N12Click));
    connect(ui->B1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::B1Click));
    connect(ui->M1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::M1Click));
    connect(ui->V1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::V1Click));
    connect(ui->Q1, &QAction::triggered, this, guarded(this, &TMizorelMenuForm::Q1Click));
    connect(ui->ColorButton1, &QPushButton::clicked, this, guarded(this, &TMizorelMenuForm::ColorButton1Click));
    connect(ui->ColorButton2, &QPushButton::clicked, this, guarded(this, &TMizorelMenuForm::ColorButton2Click));
    connect(ui->ColorButton3, &QPushButton::clicked, this, guarded(this, &TMizorelMenuForm::ColorButton3Click));

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
    const int h = ui->ClientArea->height();
    ui->ColorButton1->move(ui->ColorButton1->x(), anchoredTop(kButton1.top, kButton1.height, h));
    ui->ColorButton2->move(ui->ColorButton2->x(), anchoredTop(kButton2.top, kButton2.height, h));
    ui->ColorButton3->move(ui->ColorButton3->x(), anchoredTop(kButton3.top, kButton3.height, h));
}

void TMizorelMenuForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The client area is 766 x 527 below the menu bar, whatever height the style gives the bar.
    if (!sized_) {
        sized_ = true;
        const int missing = kDesignClientHeight - ui->ClientArea->height();
        if (missing != 0) resize(width(), height() + missing);
    }
}

void TMizorelMenuForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    reanchorButtons();
}

bool TMizorelMenuForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Image2 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Image2Click();
        return true;
    }
    if (watched == ui->ClientArea && event->type() == QEvent::Resize) reanchorButtons();
    return QMainWindow::eventFilter(watched, event);
}

void TMizorelMenuForm::FormCreate() { mz::state().DataDir = mz::platform::currentDir(); }

// The ledger, address book, purpose, family and backup windows are opened from here as each
// of them is built; until then their commands do nothing.
void TMizorelMenuForm::S2Click() { mz::platform::openModal(this, mz::state().INsrSrForm); }
void TMizorelMenuForm::ColorButton1Click() { S2Click(); }
void TMizorelMenuForm::N11Click() { mz::platform::openModal(this, mz::state().OUTsrSrForm); }
void TMizorelMenuForm::ColorButton2Click() { N11Click(); }
// 相手先設定 › 登録: the registration-kind window, which passes the mode on to the selection window.
void TMizorelMenuForm::N2Click() {
    mz::state().NameSelectMode = 110;
    mz::platform::openModal(this, mz::state().NAMEkubunForm);
    mz::state().NameSelectMode = 0;
}
// 相手先設定 › 修正 / 削除 / 検索: the selection window, whose pick opens the window of the mode.
void TMizorelMenuForm::N3Click() {
    mz::state().NameSelectMode = 120;
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    mz::state().NameSelectMode = 0;
}
void TMizorelMenuForm::N4Click() {
    mz::state().NameSelectMode = 130;
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    mz::state().NameSelectMode = 0;
}
void TMizorelMenuForm::N5Click() {
    mz::state().NameSelectMode = 140;
    mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    mz::state().NameSelectMode = 0;
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
void TMizorelMenuForm::B1Click() { mz::platform::openModal(this, mz::state().BackupForm); }

void TMizorelMenuForm::M1Click() { mz::app::openHelp(this); }

void TMizorelMenuForm::V1Click() { mz::platform::openModal(this, mz::state().Mizorel_verForm); }

void TMizorelMenuForm::Q1Click() { close(); }
void TMizorelMenuForm::ColorButton3Click() { close(); }
void TMizorelMenuForm::Image2Click() { close(); }
