#pragma once
// TDateTimePicker: a date box shown as yyyy/MM/dd with a drop-down calendar, starting on today.
// Windows read date(). Bound to a date field (optional), it shows the field of the current
// record (today when the field is empty) and writes each date the user or the window picks into
// the field, putting a browsing cursor into edit state. The input method is off.
//
// A click on the year, month or day selects that part, so that typing replaces it, as Tab into
// the box selects the year; dragging over the text still selects what was dragged over.

#include "widgets/datasource.h"
#include "widgets/textinput.h"

#include <QDateEdit>

class TDateTimePicker : public QDateEdit {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)
    Q_PROPERTY(mz::widgets::ImeMode ImeMode READ imeMode WRITE setImeMode)

public:
    explicit TDateTimePicker(QWidget* parent = nullptr);
    ~TDateTimePicker() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

    mz::widgets::ImeMode imeMode() const;
    void setImeMode(mz::widgets::ImeMode mode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showField();
    void onDateChanged();

    mz::widgets::FieldLink* link_;
    mz::widgets::ImeModeKeeper* ime_;
    bool showing_ = false;
};
