#include "spreadsheet/exportables.h"

#include "data/tabledefs.h"

#include <QDir>

namespace mz::spreadsheet {

std::vector<const data::TableDef*> exportableTables() {
    // The five and the tables beside them; a table is offered once its record file is in the
    // folder.
    const std::vector<const data::TableDef*> all = data::allTableDefs();
    const QStringList files = QDir::current().entryList(QDir::Files);
    std::vector<const data::TableDef*> present;
    for (const data::TableDef* d : all)
        for (const QString& f : files)
            if (f.compare(d->dbfName, Qt::CaseInsensitive) == 0) {
                present.push_back(d);
                break;
            }
    return present;
}

}  // namespace mz::spreadsheet
