#pragma once
// The process-wide variables and window references through which Mizorel's windows hand modes
// and selections to one another.
//
// Windows take no constructor arguments and return no results. An opener sets a mode code,
// opens the window modally (modal.h), reads the answer variable once the window has been
// destroyed, and sets the mode back to 0. The state lives here, below every window library, so
// that the ledger, address book and master windows can all read and write it.
//
// Window references: one per window class, set by openModal() when it creates the window. A
// reference is a QPointer, so once its window has been destroyed it reads as null instead of
// pointing at freed memory. The printout windows are created at start-up and their references
// stay valid for the whole run.
//
// Everything runs on the one user-interface thread; nothing here needs locking.

#include <QPointer>
#include <QString>
#include <QtGlobal>

#include <vector>

// The window classes live in the global namespace, like the names their .ui files give them.
class TMizorelMenuForm;
class TMizorel_verForm;
class TINsrSrForm;
class TOUTsrSrForm;
class TINregiForm;
class TOUTregiForm;
class TINsrchForm;
class TOUTsrchForm;
class TINeditForm;
class TOUTeditForm;
class TINdelForm;
class TOUTdelForm;
class TAITEbetuForm;
class TOKAEshiForm;
class TOKAEeditForm;
class TOKAErulesForm;
class TNAMEsentakuForm;
class TNAMEkubunForm;
class TNAMEregi1Form;
class TNAMEregi2Form;
class TNAMEeditForm;
class TNAMEdelForm;
class TNAMEsrchForm;
class TMOKUregiForm;
class TMOKUeditForm;
class TMOKUdelForm;
class TMOKUsentakuForm;
class TKAZOregiForm;
class TKAZOeditForm;
class TBackupForm;
class TRepAite1Form;
class TRepAite2Form;
class TRepKazo1Form;
class TRepMoku1Form;
class TRepIn1Form;
class TRepIn2Form;
class TRepOut2Form;
class TRepOut1Form;
class TCSVoutForm;
class TCSVinForm;
class TGYOJIsentakuForm;
class TUKEregiForm;
class TUKEsimeForm;

namespace mz {

struct SharedState {
    // The mode of the counterpart selection window TNAMEsentakuForm (mz::mode::kName...,
    // platform/modes.h); kNameIdle when no selection is under way. Read while that window is
    // created and on each pick.
    qint32 NameSelectMode = 0;
    // The mode of the purpose selection window TMOKUsentakuForm (mz::mode::kPurpose...);
    // kPurposeIdle when idle.
    qint32 PurposeSelectMode = 0;
    // The 収入番号 / 支出番号 of the entry to show, edit or delete, or the number that the
    // registration window gives to the next entry.
    qint32 IncomeNo = 0;
    qint32 ExpenseNo = 0;
    // Picked for a ledger registration or edit window (modes kNameEntry and kPurposeEntry).
    QString EntryName;
    QString EntryPurpose;
    // Picked for a ledger management window's search criteria (modes kNameCriterion and
    // kPurposeCriterion).
    QString SelectedName;
    QString SelectedPurpose;
    // The directory that was current when the main window was created: the data directory.
    QString DataDir;
    // The 相手先コード picked for the add-family, edit, delete or search window (the modes that
    // open a window); the search window moves it along as the user browses.
    qint32 CurrentNameCode = 0;
    // The mode of the CSV export window TCSVoutForm (mz::mode::kCsvExport...): whole tables when
    // idle, or the rows of a ledger management window: the records CsvExportRows of the table
    // whose record file is CsvExportTable, in the order shown.
    qint32 CsvExportMode = 0;
    QString CsvExportTable;
    std::vector<quint32> CsvExportRows;
    // The 収入番号 whose return record the return edit window TOKAEeditForm shows.
    qint32 ReturnIncomeNo = 0;
    // The 行事番号 of the event whose reception desk (受付) is open, and the name under which
    // this PC takes its guests (the first part of their 受付番号).
    qint32 CurrentEvent = 0;
    QString DeskName;

    // Application shell: the main window and the about box.
    QPointer<TMizorelMenuForm> MizorelMenuForm;
    QPointer<TMizorel_verForm> Mizorel_verForm;

    // Ledger windows.
    QPointer<TINsrSrForm> INsrSrForm;
    QPointer<TOUTsrSrForm> OUTsrSrForm;
    QPointer<TINregiForm> INregiForm;
    QPointer<TOUTregiForm> OUTregiForm;
    QPointer<TINsrchForm> INsrchForm;
    QPointer<TOUTsrchForm> OUTsrchForm;
    QPointer<TINeditForm> INeditForm;
    QPointer<TOUTeditForm> OUTeditForm;
    QPointer<TINdelForm> INdelForm;
    QPointer<TOUTdelForm> OUTdelForm;
    QPointer<TAITEbetuForm> AITEbetuForm;  // 相手先別の贈答
    QPointer<TOKAEshiForm> OKAEshiForm;    // お返し管理
    QPointer<TOKAEeditForm> OKAEeditForm;  // one entry's return record
    QPointer<TOKAErulesForm> OKAErulesForm;  // the return rules per purpose category

    // Address book windows.
    QPointer<TNAMEsentakuForm> NAMEsentakuForm;
    QPointer<TNAMEkubunForm> NAMEkubunForm;
    QPointer<TNAMEregi1Form> NAMEregi1Form;
    QPointer<TNAMEregi2Form> NAMEregi2Form;
    QPointer<TNAMEeditForm> NAMEeditForm;
    QPointer<TNAMEdelForm> NAMEdelForm;
    QPointer<TNAMEsrchForm> NAMEsrchForm;

    // Purpose and family windows.
    QPointer<TMOKUregiForm> MOKUregiForm;
    QPointer<TMOKUeditForm> MOKUeditForm;
    QPointer<TMOKUdelForm> MOKUdelForm;
    QPointer<TMOKUsentakuForm> MOKUsentakuForm;
    QPointer<TKAZOregiForm> KAZOregiForm;
    QPointer<TKAZOeditForm> KAZOeditForm;

    // Reception desk windows: the events, the desk, and closing the desk (締め).
    QPointer<TGYOJIsentakuForm> GYOJIsentakuForm;
    QPointer<TUKEregiForm> UKEregiForm;
    QPointer<TUKEsimeForm> UKEsimeForm;

    // Backup window.
    QPointer<TBackupForm> BackupForm;

    // Exchange with spreadsheets: CSV export and import.
    QPointer<TCSVoutForm> CSVoutForm;
    QPointer<TCSVinForm> CSVinForm;

    // Printout windows: created at start-up, valid for the whole run.
    QPointer<TRepAite1Form> RepAite1Form;
    QPointer<TRepAite2Form> RepAite2Form;
    QPointer<TRepKazo1Form> RepKazo1Form;
    QPointer<TRepMoku1Form> RepMoku1Form;
    QPointer<TRepIn1Form> RepIn1Form;
    QPointer<TRepIn2Form> RepIn2Form;
    QPointer<TRepOut2Form> RepOut2Form;
    QPointer<TRepOut1Form> RepOut1Form;

    // Back to the values at program start: integers 0, strings empty, references null. For
    // tests; the program never resets its state.
    void reset();
};

// The one shared state of the process.
SharedState& state();

}  // namespace mz
