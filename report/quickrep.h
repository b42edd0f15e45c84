#pragma once
// The report a printout form holds as QuickRep1: a report layout and the cursor it runs over.
// A caller sets the cursor's filter and asks for Preview() or Print().

#include "report/report.h"

#include <QObject>
#include <QPointer>

class TQuickRep : public QObject {
    Q_OBJECT
public:
    explicit TQuickRep(QObject* parent = nullptr);

    mz::report::Report Report;           // the layout
    QPointer<mz::data::Cursor> DataSet;  // the records it lists

    // The pages of the report over the records as they are now.
    std::vector<mz::report::Page> Prepare();

    // Shows the preview window over `owner` (the active window when null) and returns when the
    // user has closed it.
    void Preview(QWidget* owner = nullptr);

    // Prints straight to the default printer, without a preview.
    void Print(QWidget* owner = nullptr);

private:
    mz::data::Cursor& dataSet() const;
};
