#pragma once
// The eight printout forms. They are created at start-up, live for the whole run and are never
// shown themselves: each holds its table cursor (MasterTable, or Table1 for the purpose list)
// and its report QuickRep1. A caller sets the cursor's filter and asks the report for a preview
// or a print.

#include "data/cursor.h"
#include "report/quickrep.h"
#include "report/report.h"

#include <QWidget>

namespace mz::printouts {

class PrintoutForm : public QWidget {
    Q_OBJECT
public:
    // Opens the form's table and gives the report its layout (named by the caption); throws
    // EngineError when the table cannot be opened.
    PrintoutForm(const char* caption, const char* tableFile, const char* cursorName,
                 mz::report::Report layout, QWidget* parent);
    mz::data::Cursor* cursor() const { return cursor_; }

    // The report over the form's cursor; callers set the cursor's filter, then ask it for a
    // preview or a print.
    TQuickRep* QuickRep1;

protected:
    mz::data::Cursor* cursor_;
};

}  // namespace mz::printouts

// Income list (filter of the income management window) and single income entry.
class TRepIn1Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepIn1Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

class TRepIn2Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepIn2Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

class TRepOut1Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepOut1Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

class TRepOut2Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepOut2Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

// One counterpart per page (filtered by the search window) and the whole address book.
class TRepAite1Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepAite1Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

class TRepAite2Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepAite2Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};

// The purpose list (by category number) and the family list (record order).
class TRepMoku1Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepMoku1Form(QWidget* parent = nullptr);
    mz::data::Cursor* Table1;
};

class TRepKazo1Form : public mz::printouts::PrintoutForm {
    Q_OBJECT
public:
    explicit TRepKazo1Form(QWidget* parent = nullptr);
    mz::data::Cursor* MasterTable;
};
