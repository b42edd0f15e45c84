#pragma once
// TDBGrid: a read-only grid over a cursor, one row per record that passes the cursor's filter,
// in the cursor's order. Rows are read from the cursor as they are painted, never copied, so a
// grid over a hundred thousand records opens and scrolls as fast as one over ten.
//
// The grid and its cursor follow each other: selecting a row (mouse, keys) makes that record
// current, and a move of the cursor selects its row. The whole row is selected; nothing is
// edited in the grid. A narrow indicator column on the left marks the current row.
//
// Columns are set in code (field, title, width in pixels, alignment). Without columns the grid
// shows every field. Values are shown as everywhere in the program: dates yyyy/MM/dd, amounts
// (金額, or a column with currency set) as ￥1,000, other numbers as plain digits.

#include "widgets/celltext.h"
#include "widgets/datasource.h"

#include <QColor>
#include <QFont>
#include <QTableView>

#include <vector>

class TDBGridModel;
class TDBGridHeader;

// One column of a TDBGrid.
struct TColumn {
    QString fieldName;
    QString title;                 // empty: the field name
    int width = -1;                // pixels; below 1: the field's default width
    Qt::Alignment alignment = {};  // empty: the field's default (numbers right, else left)
    bool currency = false;         // numbers as yen (金額 always is)
    Qt::Alignment titleAlignment = Qt::AlignLeft;
};

class TDBGrid : public QTableView {
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor FixedColor READ fixedColor WRITE setFixedColor)
    Q_PROPERTY(QFont TitleFont READ titleFont WRITE setTitleFont)
    Q_PROPERTY(bool Indicator READ indicator WRITE setIndicator)

public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* dataSource() const { return source_; }
    void setDataSource(TDataSource* source);
    mz::data::Cursor* cursor() const;

    // Columns. An empty list shows every field of the table with its default title and width.
    const std::vector<TColumn>& columns() const { return columns_; }
    void setColumns(std::vector<TColumn> columns);
    void addColumn(const QString& fieldName, const QString& title = QString(), int width = -1,
                   Qt::Alignment alignment = {});
    void clearColumns() { setColumns({}); }
    // The column at that position as the grid shows it (default columns included).
    const TColumn& column(int index) const;
    int columnCountShown() const;

    // Body background (the grid's colour). Invalid: the palette's base colour.
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    // Title row and indicator column. Invalid: the palette's button colour.
    QColor fixedColor() const { return fixedColor_; }
    void setFixedColor(const QColor& color);
    QFont titleFont() const;
    void setTitleFont(const QFont& font);
    bool indicator() const { return indicator_; }
    void setIndicator(bool on);

    // The text shown in a cell (for tests and for windows that read the grid).
    QString cellText(int row, int column) const;
    // How that text is drawn into the cell: an amount too wide for its column in a narrower
    // form (celltext.h).
    mz::widgets::CellText drawnCellText(int row, int column) const;
    // The grid row that is selected, -1 when none.
    int selectedRow() const;

Q_SIGNALS:
    void dblClick();             // a double click anywhere on the grid
    void cellClick(int column);  // a click on a cell, after its record became current
    void returnPressed();        // Enter on the grid
    void keyPressed(int key, Qt::KeyboardModifiers modifiers);  // every key, before the grid acts
    void focusEntered();                                        // the grid received the focus

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class TDBGridModel;
    friend class TDBGridHeader;
    void onDataSetChanged();
    void onContentsChanged();
    void followCursor();
    void applyColumnWidths();
    void applyRowHeight();
    int defaultWidth(const TColumn& column) const;
    void rebuildShownColumns();

    TDBGridModel* model_;
    TDBGridHeader* top_;
    TDBGridHeader* side_;
    TDataSource* source_ = nullptr;
    QList<QMetaObject::Connection> connections_;
    std::vector<TColumn> columns_;
    std::vector<TColumn> shown_;  // columns_, or one per field when columns_ is empty
    QColor color_;
    QColor fixedColor_;
    bool indicator_ = true;
    bool following_ = false;  // the grid is moving its selection to the cursor's row
};
