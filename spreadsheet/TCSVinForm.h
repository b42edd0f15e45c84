#pragma once
// CSV取り込み: rows of a spreadsheet's CSV file into the address book or a ledger. The window
// shows every row with whether it will be stored and why not; nothing is written until 登録,
// and then all the rows shown for storing are stored, or none.

#include "ui_TCSVinForm.h"

#include "exchange/tableimport.h"

#include <QDialog>

class QComboBox;

class TCSVinForm : public QDialog, public Ui::TCSVinForm {
    Q_OBJECT
public:
    explicit TCSVinForm(QWidget* parent = nullptr);

    // Files of more rows than this show a progress bar with 中止 while they are checked and stored.
    static constexpr int kProgressRows = 2000;

    mz::exchange::ImportTarget target() const;
    // The file column chosen for each of the target's fields (-1: none), as the mapping shows.
    mz::exchange::ColumnMap columns() const;
    // The combo box of a field in the mapping (for tests and keyboard use alike).
    QComboBox* columnBox(const QString& field) const;
    const std::vector<mz::exchange::RowCheck>& checks() const { return checks_; }

    // Reads the file as the window's file: detects its encoding, guesses the date format from the
    // date column, maps its columns (the last mapping used, else by their names) and checks it.
    void loadFile(const QString& path);

public Q_SLOTS:
    void BitBtn1Click();       // 参照...
    void BitBtn2Click();       // 登録
    void BitBtn3Click();       // 閉じる
    void ComboBox1Change();    // target
    void ComboBox2Change();    // encoding
    void SettingsChange();     // date format, header row, mapping: check again
    void TableWidget2ItemChanged(QTableWidgetItem* item);

private:
    void decode();
    void guessDates();
    void fillMapping();
    void recheck();
    void showChecks();
    void showSummary();
    void rememberMapping() const;
    QStringList header() const;

    QByteArray bytes_;
    mz::exchange::CsvRows rows_;
    std::vector<mz::exchange::RowCheck> checks_;
    bool filling_ = false;
};
