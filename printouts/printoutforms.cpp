#include "printouts/printoutforms.h"

namespace mz::printouts {

PrintoutForm::PrintoutForm(const char* caption, const char* tableFile, const char* cursorName, QWidget* parent)
    : QWidget(parent), cursor_(new mz::data::Cursor(this)) {
    setWindowTitle(QString::fromUtf8(caption));
    cursor_->setObjectName(QString::fromLatin1(cursorName));
    cursor_->open(QString::fromUtf8(tableFile));
}

}  // namespace mz::printouts

using mz::printouts::PrintoutForm;

// Ledger printouts: stored order, filtering on from the start with an empty filter.
TRepIn1Form::TRepIn1Form(QWidget* parent)
    : PrintoutForm("収入の検索結果一覧表印刷　", "Indata.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepIn2Form::TRepIn2Form(QWidget* parent)
    : PrintoutForm("収入の検索結果(個別情報)印刷　", "Indata.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepOut1Form::TRepOut1Form(QWidget* parent)
    : PrintoutForm("支出の検索結果一覧表印刷　", "Outdata.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepOut2Form::TRepOut2Form(QWidget* parent)
    : PrintoutForm("支出の検索結果(個別情報)印刷　", "Outdata.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

// Address book printouts: one person in stored order, or everybody in code order.
TRepAite1Form::TRepAite1Form(QWidget* parent)
    : PrintoutForm("相手先詳細情報", "Aitesaki.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepAite2Form::TRepAite2Form(QWidget* parent)
    : PrintoutForm("相手先一覧表", "Aitesaki.DBF", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setIndexName(QStringLiteral("相手先コード"));
    MasterTable->setFiltered(true);
}

TRepMoku1Form::TRepMoku1Form(QWidget* parent)
    : PrintoutForm("目的名称一覧表", "Moku.dbf", "Table1", parent), Table1(cursor_) {
    Table1->setIndexFieldNames(QStringLiteral("区分番号"));
}

TRepKazo1Form::TRepKazo1Form(QWidget* parent)
    : PrintoutForm("家族一覧表", "Kazoku.dbf", "MasterTable", parent), MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}
