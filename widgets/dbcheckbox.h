#pragma once
// TDBCheckBox: a check box bound to a logical field of the current record (empty shows as
// clear). A click by the user puts a browsing cursor into edit state and writes the field; the
// window's setChecked() writes it while the cursor is editing or inserting.

#include "widgets/datasource.h"

#include <QCheckBox>

class TDBCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(QString DataField READ dataField WRITE setDataField)

public:
    explicit TDBCheckBox(QWidget* parent = nullptr);
    explicit TDBCheckBox(const QString& text, QWidget* parent = nullptr);
    ~TDBCheckBox() override;

    TDataSource* dataSource() const;
    void setDataSource(TDataSource* source);
    QString dataField() const;
    void setDataField(const QString& field);

protected:
    void nextCheckState() override;
    void checkStateSet() override;

private:
    void init();
    void showField();

    mz::widgets::FieldLink* link_;
    bool showing_ = false;
};
