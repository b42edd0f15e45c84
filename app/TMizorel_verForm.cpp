#include "app/TMizorel_verForm.h"

#include "ui_TMizorel_verForm.h"
#include "widgets/fonts.h"

TMizorel_verForm::TMizorel_verForm(QWidget* owner) : QDialog(owner), ui(new Ui::TMizorel_verForm) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(312, 208);
    using mz::widgets::pixelFont;
    setFont(pixelFont(mz::widgets::kPGothic, 12));
    ui->ProgramIcon->setPixmap(QPixmap(QStringLiteral(":/mizorel/program.bmp")));
    ui->ProductName->setFont(pixelFont(mz::widgets::kPGothic, 16, true));
    QPalette blue = ui->ProductName->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    ui->ProductName->setPalette(blue);
    ui->Comments->setFont(pixelFont(mz::widgets::kGothic, 13));
    ui->Version->setFont(pixelFont(mz::widgets::kGothic, 13));
    ui->OKButton->setFont(pixelFont(mz::widgets::kPGothic, 15));
    connect(ui->OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

TMizorel_verForm::~TMizorel_verForm() = default;
