#include "counterparts/TNAMEkubunForm.h"

#include "counterparts/TNAMEregi1Form.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "counterparts/personwindow.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/sharedstate.h"
#include "widgets/fonts.h"

#include <QGuiApplication>
#include <QScreen>

using namespace Qt::StringLiterals;

TNAMEkubunForm::TNAMEkubunForm(QWidget* parent) : QDialog(parent) {
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
    Label1->adjustSize();
    RadioGroup1->setFont(pixelFont(kPGothic, 15));
    mz::counterparts::styleButtons({ColorButton1, ColorButton2});

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    using mz::platform::guarded;
    connect(ColorButton1, &QPushButton::clicked, this, guarded([this] { ColorButton1Click(); }));
    connect(ColorButton2, &QPushButton::clicked, this, guarded([this] { ColorButton2Click(); }));
}

TNAMEkubunForm::~TNAMEkubunForm() = default;

void TNAMEkubunForm::ColorButton1Click() {
    if (RadioGroup1->itemIndex() == 0) {
        mz::platform::openModal(this, mz::state().NAMEregi1Form);
    } else {
        // NameSelectMode stays kNameAddFamily: each pick there opens the add-family window.
        mz::platform::openModal(this, mz::state().NAMEsentakuForm);
    }
    // Back to where 登録 or 相手先追加 was chosen.
    close();
}

void TNAMEkubunForm::ColorButton2Click() {
    close();
}
