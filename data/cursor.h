#pragma once
// A cursor on a shared table: the table component of a window. It owns its filter, its order,
// its current record and its edit state; the table's data are shared with every other cursor on
// the same file. Bound controls and grids listen to its signals.

#include "data/filter.h"
#include "data/rowlist.h"
#include "data/table.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace mz::data {

class Cursor : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    using Bookmark = quint32;  // a record number; 0 is no bookmark

    explicit Cursor(QObject* parent = nullptr);
    ~Cursor() override;

    // Opens the table named by its record file (looked up in the current directory, letter
    // case ignored). Throws EngineError when a file is missing or damaged.
    void open(const QString& fileName);
    // Closes the cursor; a record appended or edited but not posted is discarded.
    void close();
    bool isOpen() const { return table_ != nullptr; }
    const TableDef& def() const;
    Table& table() const;
    int fieldIndex(const QString& name) const;  // throws EngineError for an unknown field

    // Filter text as set (read back unchanged), filtering on or off, case-insensitive option.
    // Changing any of them re-reads the rows and moves to the first record.
    void setFilter(const QString& text);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }
    void setCaseInsensitive(bool on);
    bool caseInsensitive() const { return caseInsensitive_; }

    // Order by a tag (by its name, or by the field it is keyed on); empty = record order. The
    // current record stays current; when none was asked for since the cursor was opened or
    // filtered, the first row of the new order is. A tag the index file does not hold is an
    // EngineError; the order is then unchanged.
    void setIndexName(const QString& tagName);
    void setIndexFieldNames(const QString& fieldName);
    const QString& indexName() const { return tagName_; }

    // Records that passed the filter, in the current order, when the rows were last read: at
    // open, at a change of filter or order, at refresh, first and last, and at a post or delete
    // through this cursor. A post through another cursor shows here only after one of those.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    bool eof() const {
        settle();
        return eof_;
    }
    bool bof() const {
        settle();
        return bof_;
    }
    void first();
    void prior();
    void next();
    void last();
    // Row of the current record in the filtered, ordered rows (0-based), -1 when empty.
    int row() const;
    void moveToRow(int row);
    quint32 recno() const;          // record number of the current record, 0 when empty
    quint32 recnoAt(int row) const;  // record number of a row, for grids

    Bookmark bookmark() const { return recno(); }
    // Moves to the bookmarked record; returns false (and stays) when it is no longer visible.
    bool gotoBookmark(Bookmark b);
    void freeBookmark(Bookmark&) const {}

    State state() const { return state_; }
    void append();  // a new empty record after the last, not stored until post
    void edit();    // the current record; an error on an empty cursor
    void post();    // stores at once for every cursor; nothing is written if a value is refused
    void cancel();
    void remove();  // deletes the current record at once
    void refresh();

    // Field values of the current record (of the edit buffer while editing or inserting).
    Value value(int field) const;
    Value value(const QString& field) const { return value(fieldIndex(field)); }
    Value valueAt(int row, int field) const;  // for grids; the stored record of that row
    // Only while editing or inserting; otherwise an EngineError.
    void setValue(int field, const Value& v);
    void setValue(const QString& field, const Value& v) { setValue(fieldIndex(field), v); }

    // Bound controls that hold typed text of their own (an amount being edited) hand it to the
    // record just before a post; a hook that throws stops the post with nothing written.
    int addBeforePost(std::function<void()> hook);
    void removeBeforePost(int id);

    // Runs inside the post of a new record, with the table locked against other processes and
    // up to date (see Table::append): the place to decide a number no other process may take.
    // It may change the fields to be stored, or throw EngineError to stop the post.
    void setAppendCompletion(Table::Completion complete) { completion_ = std::move(complete); }

    // Convenience readers: empty values give an empty string, 0, an invalid date, false.
    QString text(const QString& field) const;
    double number(const QString& field) const;
    QDate date(const QString& field) const;
    bool logical(const QString& field) const;

Q_SIGNALS:
    void currentChanged();   // another record became current (or none)
    void stateChanged();     // browse / edit / insert / inactive
    void contentsChanged();  // the rows were re-read, or another cursor changed the table
    void fieldChanged(int field);  // a value of the edit buffer was set

private:
    void ensureRows() const;
    void settle() const;
    void toFirst();
    bool currentObserved() const;
    bool rereadIfTableChanged();
    void invalidate();
    void insertRow(quint32 recno);
    void moveTo(int row, bool notify = true);
    void requireOpen() const;
    void onTableChanged();
    bool rowMatches(quint32 recno) const;
    std::vector<quint64> matchingRecords() const;  // bit r: live record r passes the filter

    std::shared_ptr<Table> table_;
    QString filterText_;
    std::optional<Filter> filter_;
    bool filtered_ = false;
    bool caseInsensitive_ = false;
    QString tagName_;

    mutable RowList rows_;
    mutable bool rowsValid_ = false;
    mutable quint64 rowsVersion_ = 0;
    // The current record and the ends. After opening, or a new filter or order, nobody may ask
    // for them (a printout's table waits for its printout): firstPending_ then says the first
    // row is current without reading the rows for it yet, and settle() reads them when asked.
    mutable quint32 current_ = 0;  // record number of the current record
    mutable int currentRow_ = -1;
    mutable bool eof_ = true;
    mutable bool bof_ = true;
    mutable bool firstPending_ = false;

    State state_ = State::Inactive;
    quint32 editRecno_ = 0;
    FieldChanges changes_;
    quint32 beforeInsert_ = 0;
    bool posting_ = false;
    std::vector<std::pair<int, std::function<void()>>> beforePost_;
    Table::Completion completion_;
    int nextHookId_ = 1;
};

}  // namespace mz::data
