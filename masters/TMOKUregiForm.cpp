#include "masters/TMOKUregiForm.h"

#include "data/cursor.h"
#include "masters/masterlook.h"
#include "masters/purposes.h"
#include "platform/errorreport.h"
#include "platform/keepopen.h"
#include "platform/modal.h"
#include "platform/platform.h"
#include "widgets/datasource.h"

#include <QEvent>

using namespace Qt::StringLiterals;
using mz::platform::guarded;
using namespace mz::masters;

TMOKUregiForm::TMOKUregiForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    mz::platform::keepOpenOnEscape(this);  // Escape ends a conversion, never the entry
    styleWindow(this, 325, 387, Label1);
    for (QLabel* l : {Label2, Label3, Label4}) styleFieldLabel(l);
    setupPurposeBoxes(Memo1, Edit2, ComboBox1);
    styleButtons(ColorButton1, ColorButton2);
    setupCategoryTabs(TabControl1);

    Table1 = new mz::data::Cursor(this);
    Table1->setObjectName(u"Table1"_s);
    DataSource1 = new TDataSource(this);
    DataSource1->setObjectName(u"DataSource1"_s);
    Table1->open(QString::fromUtf16(kPurposeTable));
    DataSource1->setDataSet(Table1);
    DBGrid1->setDataSource(DataSource1);
    setupPurposeGrid(DBGrid1, false);

    connect(TabControl1, &TTabControl::change, this,
            guarded(this, &TMOKUregiForm::TabControl1Change));
    connect(ColorButton1, &QPushButton::clicked, this,
            guarded(this, &TMOKUregiForm::ColorButton1Click));
    connect(ColorButton2, &QPushButton::clicked, this,
            guarded(this, &TMOKUregiForm::ColorButton2Click));

    Edit2->setFocus();
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

TMOKUregiForm::~TMOKUregiForm() = default;

bool TMOKUregiForm::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded(this, &TMOKUregiForm::FormActivate)();
    return handled;
}

void TMOKUregiForm::FormCreate() {
    // The next code follows the last record of the whole table in its natural order.
    NextPurposeCode = 1;
    if (Table1->recordCount() > 0) {
        Table1->last();
        NextPurposeCode = Table1->number(QString::fromUtf16(kCodeField)) + 1;
    }
    Memo1->setText(codeText(NextPurposeCode));
    showFirstCategory(*Table1, TabControl1);
}

void TMOKUregiForm::FormActivate() {
    Edit2->setFocus();
}

void TMOKUregiForm::TabControl1Change() {
    showSelectedCategory(*Table1, TabControl1);
}

void TMOKUregiForm::ColorButton1Click() {
    const QString name = Edit2->text();
    const QString category = ComboBox1->text();
    if (name.isEmpty() || category.isEmpty()) {
        mz::platform::notice(this, mz::platform::padded(u"目的の名称又は区分が設定されていません。"_s));
        Edit2->setFocus();
        return;
    }
    Table1->append();
    try {
        Table1->setValue(QString::fromUtf16(kCodeField), NextPurposeCode);
        Table1->setValue(QString::fromUtf16(kNameField), name);
        writeCategory(*Table1, category);
        Table1->post();
    } catch (...) {
        // A value the table refuses: the new record is dropped so that the next try starts clean.
        Table1->cancel();
        throw;
    }
    mz::platform::notice(this, mz::platform::padded(u"目的が新規に登録されました。"_s));
    NextPurposeCode += 1;
    Memo1->setText(codeText(NextPurposeCode));
    Edit2->clear();
    ComboBox1->setEditText(QString());
    Edit2->setFocus();
}

void TMOKUregiForm::ColorButton2Click() { close(); }
