// bench_ledgerwindow [--entries N]: how long the income and expenditure management windows take
// to open (tables opened, ordered by date, grid painted) and to search (filter built and set,
// grid painted again) on a sample data directory of N entries per ledger (default 100,000).
// The windows run offscreen unless QT_QPA_PLATFORM says otherwise.
#include "bench/benchsample.h"
#include "counterparts/TNAMEsentakuForm.h"
#include "data/cursor.h"
#include "ledger/TINsrSrForm.h"
#include "ledger/TOUTsrSrForm.h"
#include "platform/modes.h"
#include "platform/recorder.h"
#include "platform/sharedstate.h"
#include "ui_TINsrSrForm.h"
#include "ui_TOUTsrSrForm.h"
#include "widgets/dbgrid.h"
#include "widgets/maskedit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Milliseconds that `step` takes, with the window painted afterwards as the user would see it.
double timed(QWidget* window, const std::function<void()>& step) {
    QElapsedTimer t;
    t.start();
    step();
    QCoreApplication::processEvents();
    if (window) (void)window->grab();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void report(const char* what, double ms, int rows) {
    std::printf("%-44s %9.1f ms  %7d rows\n", what, ms, rows);
}

int rowsOf(const TDBGrid* grid) {
    return grid->model()->rowCount();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int entries = mz::bench::entriesArgument(app.arguments(), 100000);

    QTemporaryDir tmp;
    const QString dir = mz::bench::makeSampleFolder(tmp, entries);
    if (dir.isEmpty()) return 1;
    QDir::setCurrent(dir);
    // Notices are recorded, not shown: nothing waits for a user.
    mz::platform::Recorder recorder;

    std::printf("entries per ledger: %d\n", entries);
    for (int round = 1; round <= 2; ++round) {
        std::printf("-- round %d%s\n", round,
                    round == 1 ? " (tables read from disk)" : " (tables already read)");
        std::unique_ptr<TINsrSrForm> in;
        double ms = timed(nullptr, [&] {
            in = std::make_unique<TINsrSrForm>();
            in->show();
            QCoreApplication::processEvents();
            (void)in->grab();
        });
        report("income window: open, all entries by date", ms, rowsOf(in->DBGrid1));

        // A counterpart who has entries: the name of the first row.
        const QString name = in->DBGrid1->cellText(0, 0);
        in->Edit1->setText(name);
        ms = timed(in.get(), [&] { in->ColorButton5Click(); });
        report("income search: counterpart", ms, rowsOf(in->DBGrid1));

        in->Edit1->setText(name.left(1) + QStringLiteral("*"));
        ms = timed(in.get(), [&] { in->ColorButton5Click(); });
        report("income search: counterpart prefix (X*)", ms, rowsOf(in->DBGrid1));

        in->Edit1->clear();
        in->MaskEditDate1->setMaskedText(QStringLiteral("2010/01/01"));
        in->MaskEditDate2->setMaskedText(QStringLiteral("2010/12/31"));
        ms = timed(in.get(), [&] { in->ColorButton5Click(); });
        report("income search: one year", ms, rowsOf(in->DBGrid1));

        in->Edit2->setText(in->DBGrid1->cellText(0, 2));
        in->ComboBox1->setEditText(in->DBGrid1->cellText(0, 3));
        ms = timed(in.get(), [&] { in->ColorButton5Click(); });
        report("income search: purpose, family, one year", ms, rowsOf(in->DBGrid1));

        in->Edit2->clear();
        in->ComboBox1->setEditText(QString());
        in->MaskEditDate1->setMaskedText(QStringLiteral("    /  /  "));
        in->MaskEditDate2->setMaskedText(QStringLiteral("    /  /  "));
        ms = timed(in.get(), [&] { in->ColorButton5Click(); });
        report("income search: no criteria", ms, rowsOf(in->DBGrid1));

        ms = timed(nullptr, [&] { in.reset(); });
        report("income window: close", ms, 0);

        std::unique_ptr<TOUTsrSrForm> out;
        ms = timed(nullptr, [&] {
            out = std::make_unique<TOUTsrSrForm>();
            out->show();
            QCoreApplication::processEvents();
            (void)out->grab();
        });
        report("expenditure window: open, all entries by date", ms, rowsOf(out->DBGrid1));
        out->Edit1->setText(out->DBGrid1->cellText(0, 0));
        ms = timed(out.get(), [&] { out->ColorButton5Click(); });
        report("expenditure search: counterpart", ms, rowsOf(out->DBGrid1));
        out.reset();

        const mz::mode::Scope scope(&mz::SharedState::NameSelectMode, mz::mode::kNameCriterion);
        std::unique_ptr<TNAMEsentakuForm> pick;
        ms = timed(nullptr, [&] {
            pick = std::make_unique<TNAMEsentakuForm>();
            pick->show();
            QCoreApplication::processEvents();
            (void)pick->grab();
        });
        report("selection window: open on tab ア", ms, rowsOf(pick->DBGrid1));
        pick.reset();
    }
    return 0;
}
