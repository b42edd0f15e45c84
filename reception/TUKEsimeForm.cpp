#include "reception/TUKEsimeForm.h"

#include "exchange/csv.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"
#include "widgets/format.h"
#include "widgets/textinput.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

TUKEsimeForm::TUKEsimeForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    QString deskName = mz::state().DeskName;
    if (deskName.trimmed().isEmpty()) deskName = mz::reception::defaultDeskName();
    desk_ = std::make_unique<mz::reception::Desk>(mz::state().CurrentEvent, deskName);
    auto* coins = new mz::widgets::LineInput(Edit1);
    coins->setMaxChars(9);
    coins->setAcceptor([](const QString& t) {
        return std::all_of(t.begin(), t.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    });
    (new mz::widgets::ImeModeKeeper(Edit1))->setMode(mz::widgets::ImeMode::Off);
    for (QSpinBox* s : {SpinBox1, SpinBox2, SpinBox3, SpinBox4})
        connect(s, &QSpinBox::valueChanged, this, mz::platform::guarded(this, &TUKEsimeForm::CountChange));
    connect(Edit1, &QLineEdit::textChanged, this, mz::platform::guarded(this, &TUKEsimeForm::CountChange));
    connect(ColorButton1, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEsimeForm::ColorButton1Click));
    connect(ColorButton2, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEsimeForm::ColorButton2Click));
    connect(ColorButton3, &TColorButton::clicked, this, mz::platform::guarded(this, &TUKEsimeForm::ColorButton3Click));
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TUKEsimeForm::~TUKEsimeForm() = default;

void TUKEsimeForm::FormCreate() {
    const mz::reception::Event& e = desk_->event();
    const QString title = mz::reception::bookTitle(e);
    Label1->setText(u"締め　%1"_s.arg(e.name));
    Label2->setText(u"%1　%2　全受付 %3 件"_s.arg(mz::format::formatDate(e.date), e.purpose).arg(desk_->count()));
    ColorButton1->setText(title + u"の印刷"_s);
    CountChange();
    SpinBox1->setFocus();
}

mz::reception::CashCount TUKEsimeForm::cash() const {
    mz::reception::CashCount c;
    const QSpinBox* boxes[] = {SpinBox1, SpinBox2, SpinBox3, SpinBox4};
    for (size_t i = 0; i < c.notes.size(); ++i) c.notes[i] = boxes[i]->value();
    c.coins = Edit1->text().toLongLong();
    return c;
}

void TUKEsimeForm::CountChange() {
    desk_->refresh();
    const mz::reception::CashCount c = cash();
    QLabel* sums[] = {Label7, Label8, Label9, Label10};
    for (size_t i = 0; i < c.notes.size(); ++i)
        sums[i]->setText(mz::format::formatYen(double(c.notes[i]) * c.kNotes[i]));
    const double counted = c.total();
    const double recorded = desk_->total();
    Label14->setText(mz::format::formatYen(counted));
    Label16->setText(u"%1（%2 件）"_s.arg(mz::format::formatYen(recorded)).arg(desk_->count()));
    const double diff = counted - recorded;
    Label18->setText(mz::format::formatYen(diff));
    Label18->setStyleSheet(diff == 0 ? u"color: #008000;"_s : u"color: #ff0000;"_s);
    Label19->setText(diff == 0   ? u"現金と記録は一致しています。"_s
                     : diff > 0 ? u"現金が記録より多くなっています。記録漏れがないか確かめてください。"_s
                                : u"現金が記録より少なくなっています。金額の誤りがないか確かめてください。"_s);
}

void TUKEsimeForm::ColorButton1Click() {
    desk_->refresh();
    mz::reception::previewBook(this, desk_->event(), mz::reception::bookLines(*desk_));
}

void TUKEsimeForm::ColorButton2Click() {
    desk_->refresh();
    const mz::reception::Event& e = desk_->event();
    const QString suggested = QDir(mz::state().DataDir.isEmpty() ? QDir::currentPath() : mz::state().DataDir)
                                  .filePath(u"%1_%2.csv"_s.arg(mz::reception::bookTitle(e), e.date.toString(u"yyyyMMdd"_s)));
    const QString path = mz::platform::saveFileName(this, u"CSV ファイル (*.csv)|*.csv"_s, suggested, u"CSV出力"_s);
    if (path.isEmpty()) return;
    const auto lines = mz::reception::bookLines(*desk_);
    try {
        mz::exchange::writeCsvFile(path, mz::reception::bookCsvHeader(), mz::reception::bookCsvRows(lines));
    } catch (const mz::exchange::ExchangeError& err) {
        mz::platform::notice(this, mz::platform::padded(err.message()));
        return;
    }
    mz::platform::notice(this, mz::platform::padded(u"%1 件を書き出しました。"_s.arg(lines.size())));
}

void TUKEsimeForm::ColorButton3Click() { close(); }
