#include "spreadsheet/exportables.h"

#include "data/tabledefs.h"

#include <QDir>

namespace mz::spreadsheet {

std::vector<const data::TableDef*> exportableTables() {
    // Every definition list of the system goes here; a table added beside the five is offered
    // once it is in this list and in the folder.
    std::vector<const data::TableDef*> all;
    for (const data::TableDef& d : data::tableDefs()) all.push_back(&d);
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
