#include "masters/TKAZOregiForm.h"

#include "data/cursor.h"
#include "masters/family.h"
#include "masters/masterlook.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TKAZOregiForm::TKAZOregiForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    styleWindow(this, 322, 336, Label1);
    for (QLabel* l : {Label2, Label3}) styleFieldLabel(l);
    styleCaptionBar(Panel1);
    styleButtons(ColorButton1, ColorButton2);
    for (TDBEdit* e : {DBEdit1, DBEdit2}) styleBox(e);
    DBEdit1->setEnabled(false);
    DBEdit1->setReadOnly(true);
    DBEdit1->setFocusPolicy(Qt::NoFocus);
    DBEdit2->setImeMode(mz::widgets::ImeMode::Hiragana);
    DBEdit2->setToolTip(QString::fromUtf16(kFamilyNameTip));

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table2 = new mz::data::Cursor(this);
    Table2->setObjectName(u"Table2"_s);
    DataSource2 = new TDataSource(this);
    DataSource2->setObjectName(u"DataSource2"_s);
    Table1->open(QString::fromUtf16(kFamilyTable));
    Table2->open(QString::fromUtf16(kFamilyTable));
    DataSource1->setDataSet(Table1);
    DataSource2->setDataSet(Table2);
    DBEdit1->setDataSource(DataSource1);
    DBEdit1->setDataField(QString::fromUtf16(kFamilyCodeField));
    DBEdit2->setDataSource(DataSource1);
    DBEdit2->setDataField(QString::fromUtf16(kFamilyNameField));  // limits it to 10 bytes
    DBGrid1->setDataSource(DataSource2);
    setupFamilyGrid(DBGrid1);

    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TKAZOregiForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TKAZOregiForm::ColorButton2Click));

    DBEdit2->setFocus();
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

// Closing drops the record that was started and not stored (the cursor discards it).
TKAZOregiForm::~TKAZOregiForm() = default;

void TKAZOregiForm::takeCodeFromLastRecord() {
    NextFamilyCode = 1;
    // Table2 keeps the rows it read until it moves to an end: moving to the last record reads
    // the list afresh, with the name just stored through Table1, so the count below is current
    // and the grid shows the end of the list.
    Table2->last();
    if (Table2->recordCount() > 0)
        NextFamilyCode = Table2->number(QString::fromUtf16(kFamilyCodeField)) + 1;
}

void TKAZOregiForm::startNewRecord() {
    Table1->append();
    // The box is bound to 家族コード: the code it shows is stored with the record.
    DBEdit1->setText(codeText(NextFamilyCode));
}

void TKAZOregiForm::FormCreate() {
    takeCodeFromLastRecord();
    startNewRecord();
}

void TKAZOregiForm::ColorButton1Click() {
    if (DBEdit2->text().isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(u"家族の名前が設定されていません。"_s));
        DBEdit2->setFocus();
        return;
    }
    Table1->post();
    mz::platform::notice(this, mz::platform::padded(u"家族の名前が登録されました。"_s));
    // The code follows the last record of the table, read again after every registration.
    takeCodeFromLastRecord();
    startNewRecord();
    DBEdit2->setFocus();
}

void TKAZOregiForm::ColorButton2Click() { close(); }
