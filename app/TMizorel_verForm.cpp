#include "app/TMizorel_verForm.h"

#include "widgets/fonts.h"

TMizorel_verForm::TMizorel_verForm(QWidget* owner) : QDialog(owner) {
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(312, 208);
    using mz::widgets::pixelFont;
    setFont(pixelFont(mz::widgets::kPGothic, 12));
    ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/mizorel/program.bmp")));
    ProductName->setFont(pixelFont(mz::widgets::kPGothic, 16, true));
    QPalette blue = ProductName->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    ProductName->setPalette(blue);
    Comments->setFont(pixelFont(mz::widgets::kGothic, 13));
    Version->setFont(pixelFont(mz::widgets::kGothic, 13));
    OKButton->setFont(pixelFont(mz::widgets::kPGothic, 15));
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TMizorel_verForm::~TMizorel_verForm() = default;
