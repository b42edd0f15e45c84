#include "spreadsheet/TCSVoutForm.h"

#include "spreadsheet/exportables.h"

#include "data/table.h"
#include "exchange/tableexport.h"
#include "platform/errorreport.h"
#include "platform/modal.h"
#include "platform/modes.h"
#include "platform/platform.h"
#include "platform/sharedstate.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// The save picker starts in the user's documents folder (else the home folder), never in the
// data directory.
QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

}  // namespace

TCSVoutForm::TCSVoutForm(QWidget* parent) : QDialog(parent) {
    setupUi(this);
    connect(BitBtn1, &QPushButton::clicked, this, mz::platform::guarded(this, &TCSVoutForm::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, mz::platform::guarded(this, &TCSVoutForm::BitBtn2Click));
    mz::platform::runCreationHandler([this] { FormCreate(); });
}

bool TCSVoutForm::rowsMode() const { return mz::state().CsvExportMode == mz::mode::kCsvExportRows; }

void TCSVoutForm::FormCreate() {
    tables_ = mz::spreadsheet::exportableTables();
    for (const mz::data::TableDef* def : tables_) ComboBox1->addItem(mz::exchange::tableTitle(*def));
    if (!rowsMode()) return;
    for (size_t i = 0; i < tables_.size(); ++i)
        if (tables_[i]->dbfName.compare(mz::state().CsvExportTable, Qt::CaseInsensitive) == 0)
            ComboBox1->setCurrentIndex(int(i));
    ComboBox1->setEnabled(false);
    Label3->setText(u"検索結果の %1 件を、一覧の順に書き出します。"_s.arg(mz::state().CsvExportRows.size()));
}

void TCSVoutForm::BitBtn1Click() {
    const int index = ComboBox1->currentIndex();
    if (index < 0 || size_t(index) >= tables_.size()) return;
    const mz::data::TableDef& def = *tables_[size_t(index)];
    auto table = mz::data::Table::open(def.dbfName);
    table->refresh();
    const mz::exchange::CsvRows rows = rowsMode() ? mz::exchange::exportRows(*table, mz::state().CsvExportRows)
                                                  : mz::exchange::exportAllRows(*table);
    const QString start = QDir(documentsFolder()).filePath(mz::exchange::proposedFileName(def, QDate::currentDate()));
    QString path = mz::platform::saveFileName(this, u"CSV ファイル (*.csv)|*.csv"_s, start, u"CSV書き出し"_s);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += u".csv"_s;
    const auto encoding = RadioButton2->isChecked() ? mz::exchange::Encoding::Cp932 : mz::exchange::Encoding::Utf8Bom;
    mz::exchange::writeCsvFile(path, mz::exchange::exportHeader(def), rows, encoding);
    mz::platform::notice(this, mz::platform::padded(u"%1 件を書き出しました。"_s.arg(rows.size())));
}

void TCSVoutForm::BitBtn2Click() { close(); }
