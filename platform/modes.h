#pragma once
// The mode codes that an opener sets in the shared state (sharedstate.h) before it opens a
// selection window, each with what a pick does in that mode. The numbers are stored nowhere
// but are the ones the windows have always used; keep them.

#include "platform/sharedstate.h"

#include <QtGlobal>

namespace mz::mode {

// SharedState::NameSelectMode: the counterpart selection window TNAMEsentakuForm.
inline constexpr qint32 kNameIdle = 0;
inline constexpr qint32 kNameAddFamily = 110;     // 家族追加: a pick opens the add-family window
inline constexpr qint32 kNameEdit = 120;          // 修正: a pick opens the edit window
inline constexpr qint32 kNameDelete = 130;        // 削除: a pick opens the delete window
inline constexpr qint32 kNameSearch = 140;        // 検索: a pick opens the search window
inline constexpr qint32 kNameEntry = 150;         // a pick answers EntryName (entry windows)
inline constexpr qint32 kNameCriterion = 160;     // a pick answers SelectedName (search criteria)
inline constexpr qint32 kNameBalance = 170;       // a pick answers SelectedName (相手先別の贈答)

// SharedState::PurposeSelectMode: the purpose selection window TMOKUsentakuForm.
inline constexpr qint32 kPurposeIdle = 0;
inline constexpr qint32 kPurposeEntry = 310;      // a pick answers EntryPurpose (entry windows)
inline constexpr qint32 kPurposeCriterion = 320;  // a pick answers SelectedPurpose (criteria)

// SharedState::CsvExportMode: the CSV export window TCSVoutForm.
inline constexpr qint32 kCsvExportTables = 0;  // whole tables, picked in the window
inline constexpr qint32 kCsvExportRows = 410;  // the rows handed over in CsvExportRows

// Sets a mode for as long as it lives and puts the idle code back when it goes, also when the
// window opened meanwhile throws:
//
//     mz::mode::Scope scope(&SharedState::NameSelectMode, mz::mode::kNameCriterion);
//     mz::platform::openModal(this, mz::state().NAMEsentakuForm);
class Scope {
public:
    Scope(qint32 SharedState::*field, qint32 code) : field_(field) { state().*field_ = code; }
    ~Scope() { state().*field_ = 0; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    qint32 SharedState::*field_;
};

}  // namespace mz::mode
