#include "masters/TKAZOeditForm.h"

#include "data/cursor.h"
#include "masters/family.h"
#include "masters/masterlook.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TKAZOeditForm::TKAZOeditForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    styleWindow(this, 322, 336, Label1);
    for (QLabel* l : {Label2, Label3}) styleFieldLabel(l);
    styleHint(Label4);
    styleCaptionBar(Panel1);
    styleButtons(ColorButton1, ColorButton2);
    styleBox(Memo1);
    styleBox(Edit1);
    Memo1->setEnabled(false);
    Memo1->setReadOnly(true);
    Memo1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Memo1->setFocusPolicy(Qt::NoFocus);
    // Not bound: the name box takes no more than 家族名 holds, so what is seen is what is stored.
    Edit1->setMaxBytes(kFamilyNameBytes);
    Edit1->setImeMode(mz::widgets::ImeMode::Hiragana);
    Edit1->setToolTip(QString::fromUtf16(kFamilyNameTip));

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table1->open(QString::fromUtf16(kFamilyTable));
    DataSource1->setDataSet(Table1);
    DBGrid1->setDataSource(DataSource1);
    setupFamilyGrid(DBGrid1);
    watch_ = new RecordMoveWatch(Table1, this);

    connect(DBGrid1, &TDBGrid::cellClick, this,
            [this](int) { guarded(this, &TKAZOeditForm::DBGrid1CellClick)(); });
    connect(DBGrid1, &TDBGrid::focusEntered, this, guarded(this, &TKAZOeditForm::DBGrid1Enter));
    connect(watch_, &RecordMoveWatch::moved, this, guarded(this, &TKAZOeditForm::Table1AfterScroll));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TKAZOeditForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TKAZOeditForm::ColorButton2Click));

    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TKAZOeditForm::~TKAZOeditForm() = default;

bool TKAZOeditForm::currentCodeIsOne() const {
    return mz::masters::currentCodeIsOne(*Table1, QString::fromUtf16(kFamilyCodeField));
}

void TKAZOeditForm::showCurrent() {
    if (Table1->recno() == 0) {
        Memo1->clear();
        Edit1->clear();
        return;
    }
    Memo1->setText(codeText(Table1->number(QString::fromUtf16(kFamilyCodeField))));
    Edit1->setText(Table1->text(QString::fromUtf16(kFamilyNameField)));
}

void TKAZOeditForm::FormCreate() {
    Memo1->clear();
    Edit1->clear();
}

void TKAZOeditForm::DBGrid1CellClick() { showCurrent(); }

void TKAZOeditForm::DBGrid1Enter() {
    if (currentCodeIsOne()) showCurrent();
}

void TKAZOeditForm::Table1AfterScroll() {
    if (!currentCodeIsOne()) {
        Memo1->clear();
        Edit1->clear();
    }
}

void TKAZOeditForm::ColorButton1Click() {
    const QString name = Edit1->text();
    if (name.isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(u"家族の名前が設定されていません。"_s));
        Edit1->setFocus();
        return;
    }
    // An empty list has no record to correct; nothing is written, so no record without a code
    // can come into the table.
    if (Table1->recno() == 0) {
        mz::platform::notice(this, mz::platform::padded(u"修正する家族がありません。"_s));
        Edit1->setFocus();
        return;
    }
    {
        RecordMoveWatch::Hold hold(*watch_);
        Table1->edit();
        try {
            Table1->setValue(QString::fromUtf16(kFamilyNameField), name);
            Table1->post();
        } catch (...) {
            Table1->cancel();
            throw;
        }
    }
    mz::platform::notice(this, mz::platform::padded(u"家族の名前が修正されました。"_s));
    Edit1->setFocus();
}

void TKAZOeditForm::ColorButton2Click() { close(); }
