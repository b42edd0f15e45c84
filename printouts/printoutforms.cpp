#include "printouts/printoutforms.h"

#include "printouts/layouts.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace mz::printouts {

PrintoutForm::PrintoutForm(const char* caption, const char* tableFile, const char* cursorName,
                           mz::report::Report layout, QWidget* parent)
    : QWidget(parent), QuickRep1(new TQuickRep(this)), cursor_(new mz::data::Cursor(this)) {
    setWindowTitle(QString::fromUtf8(caption));
    cursor_->setObjectName(QString::fromLatin1(cursorName));
    QuickRep1->setObjectName(u"QuickRep1"_s);
    cursor_->open(QString::fromUtf8(tableFile));
    QuickRep1->DataSet = cursor_;
    QuickRep1->Report = std::move(layout);
    QuickRep1->Report.name = windowTitle();
}

}  // namespace mz::printouts

using mz::printouts::LedgerPrintout;
using mz::printouts::PrintoutForm;
using mz::printouts::ledgerLayout;

// Ledger printouts: stored order, filtering on from the start with an empty filter and the
// engine's default filter options (case-sensitive). Callers set the filter text.
TRepIn1Form::TRepIn1Form(QWidget* parent)
    : PrintoutForm("収入の検索結果一覧表印刷　", "Indata.DBF", "MasterTable",
                   ledgerLayout(LedgerPrintout::IncomeList), parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepIn2Form::TRepIn2Form(QWidget* parent)
    : PrintoutForm("収入の検索結果(個別情報)印刷　", "Indata.DBF", "MasterTable",
                   ledgerLayout(LedgerPrintout::IncomeEntry), parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepOut1Form::TRepOut1Form(QWidget* parent)
    : PrintoutForm("支出の検索結果一覧表印刷　", "Outdata.DBF", "MasterTable",
                   ledgerLayout(LedgerPrintout::ExpenditureList), parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepOut2Form::TRepOut2Form(QWidget* parent)
    : PrintoutForm("支出の検索結果(個別情報)印刷　", "Outdata.DBF", "MasterTable",
                   ledgerLayout(LedgerPrintout::ExpenditureEntry), parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

// Address book printouts: one person in stored order (the caller filters on the code), or
// everybody in code order with an empty filter.
TRepAite1Form::TRepAite1Form(QWidget* parent)
    : PrintoutForm("相手先情報の印刷", "Aitesaki.DBF", "MasterTable", mz::printouts::counterpartLayout(),
                   parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}

TRepAite2Form::TRepAite2Form(QWidget* parent)
    : PrintoutForm("相手先情報の全印刷", "Aitesaki.DBF", "MasterTable",
                   mz::printouts::counterpartListLayout(), parent),
      MasterTable(cursor_) {
    MasterTable->setIndexName(u"相手先コード"_s);
    MasterTable->setFiltered(true);
}

// The purpose list by category number, unfiltered; the family list in record order with an
// empty filter. Nobody filters these two: they always list the whole table.
TRepMoku1Form::TRepMoku1Form(QWidget* parent)
    : PrintoutForm("目的名称一覧表", "Moku.dbf", "Table1", mz::printouts::purposeListLayout(), parent),
      Table1(cursor_) {
    Table1->setIndexFieldNames(u"区分番号"_s);
}

TRepKazo1Form::TRepKazo1Form(QWidget* parent)
    : PrintoutForm("家族一覧表", "Kazoku.dbf", "MasterTable", mz::printouts::familyListLayout(), parent),
      MasterTable(cursor_) {
    MasterTable->setFiltered(true);
}
