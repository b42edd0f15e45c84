#include "data/cursor.h"

#include <QMetaMethod>

#include <algorithm>
#include <bit>
#include <functional>

namespace mz::data {

Cursor::Cursor(QObject* parent) : QObject(parent) {}

Cursor::~Cursor() = default;

void Cursor::requireOpen() const {
    if (!table_) throw EngineError(QStringLiteral("テーブルが開かれていません"));
}

const TableDef& Cursor::def() const {
    requireOpen();
    return table_->def();
}

Table& Cursor::table() const {
    requireOpen();
    return *table_;
}

int Cursor::fieldIndex(const QString& name) const {
    const int i = def().fieldIndex(name);
    if (i < 0)
        throw EngineError(QStringLiteral("フィールド '%1' がテーブル '%2' にありません").arg(name, table_->fileName()));
    return i;
}

void Cursor::open(const QString& fileName) {
    close();
    auto t = Table::open(fileName);
    table_ = std::move(t);
    connect(table_.get(), &Table::changed, this, &Cursor::onTableChanged);
    state_ = State::Browse;
    filter_.reset();
    if (!filterText_.isEmpty()) filter_ = Filter::parse(filterText_, table_->def());
    invalidate();
    current_ = 0;
    currentRow_ = -1;
    firstPending_ = true;  // read when somebody asks (see settle)
    Q_EMIT stateChanged();
    Q_EMIT contentsChanged();
    Q_EMIT currentChanged();
}

void Cursor::close() {
    if (!table_) return;
    disconnect(table_.get(), nullptr, this, nullptr);
    table_.reset();
    state_ = State::Inactive;
    changes_.clear();
    rows_.clear();
    rowsValid_ = false;
    current_ = 0;
    currentRow_ = -1;
    eof_ = bof_ = true;
    firstPending_ = false;
    Q_EMIT stateChanged();
    Q_EMIT contentsChanged();
    Q_EMIT currentChanged();
}

// ---------------------------------------------------------------------------------------------
// Rows: the live records that pass the filter, in the current order, as they were when the
// cursor last read them. They are read again (lazily, on next use) when the cursor's own filter
// or order changes, at refresh(), when the cursor moves to its first or last record, and after a
// post or delete through this cursor; a post through another cursor does not change them. So a
// window's grid keeps its rows while another window registers entries, and shows them once the
// window searches or refreshes. The values of the rows are always read from the table as it is.

bool Cursor::rowMatches(quint32 recno) const {
    if (!filtered_ || !filter_ || filter_->isEmpty()) return true;
    return filter_->matches(table_->record(recno), caseInsensitive_);
}

std::vector<quint64> Cursor::matchingRecords() const {
    const quint32 n = table_->recordCount();
    std::vector<quint64> bits(n / 64 + 1, 0);
    for (quint32 r = 1; r <= n; ++r) {
        const QByteArrayView rec = table_->record(r);
        if (rec[0] != '*' && filter_->matches(rec, caseInsensitive_)) bits[r >> 6] |= quint64(1) << (r & 63);
    }
    return bits;
}

void Cursor::ensureRows() const {
    if (!table_) return;
    if (rowsValid_) return;
    rows_.clear();
    if (!tagName_.isEmpty()) {
        const std::vector<quint32>& order = table_->order(tagName_);
        if (!filtered_ || !filter_ || filter_->isEmpty()) {
            rows_.append(order.data(), order.size());
        } else {
            // The filter runs over the records in the order they lie in memory, one bit per
            // record; the tag's order then only looks the bits up. Walking the records in key
            // order instead would wait on memory at nearly every record.
            const std::vector<quint64> passed = matchingRecords();
            size_t found = 0;
            for (quint64 word : passed) found += size_t(std::popcount(word));
            if (found * 64 < order.size()) {
                // A few rows are put in the tag's order by their keys (then record numbers, as
                // the tag sorts them) instead of walking the whole order for them.
                const int field = table_->tagField(tagName_);
                std::vector<std::pair<IndexKey, quint32>> few;
                few.reserve(found);
                for (size_t w = 0; w < passed.size(); ++w)
                    for (quint64 bits = passed[w]; bits != 0; bits &= bits - 1) {
                        const auto r = quint32(w * 64 + size_t(std::countr_zero(bits)));
                        few.emplace_back(table_->indexKey(r, field), r);
                    }
                std::sort(few.begin(), few.end(), [](const auto& a, const auto& b) {
                    const auto c = a.first <=> b.first;
                    return c < 0 || (c == 0 && a.second < b.second);
                });
                for (const auto& [key, r] : few) rows_.push_back(r);
            } else {
                for (quint32 r : order)
                    if ((passed[r >> 6] >> (r & 63)) & 1u) rows_.push_back(r);
            }
        }
    } else {
        const quint32 n = table_->recordCount();
        const std::vector<quint64>& deleted = table_->deletedBits();
        for (quint32 r = 1; r <= n; ++r)
            if (!((deleted[r >> 6] >> (r & 63)) & 1u) && rowMatches(r)) rows_.push_back(r);
    }
    rowsValid_ = true;
    rowsVersion_ = table_->version();
    currentRow_ = -1;
    if (current_ != 0 && !firstPending_) {
        currentRow_ = static_cast<int>(rows_.indexOf(current_));
    }
}

void Cursor::invalidate() { rowsValid_ = false; }

// The first row becomes current now, as a pending first() asked for.
void Cursor::settle() const {
    if (!firstPending_ || !table_) return;
    firstPending_ = false;
    ensureRows();
    if (rows_.empty()) {
        current_ = 0;
        currentRow_ = -1;
        eof_ = bof_ = true;
    } else {
        current_ = rows_[0];
        currentRow_ = 0;
        eof_ = false;
        bof_ = true;
    }
}

bool Cursor::currentObserved() const {
    static const QMetaMethod signal = QMetaMethod::fromSignal(&Cursor::currentChanged);
    return isSignalConnected(signal);
}

// Moves to the first row after a new filter or order. With nobody listening for the current
// record, the rows are not read for it until somebody asks; otherwise the listeners are told at
// once when the current record changes.
void Cursor::toFirst() {
    if (currentObserved()) {
        settle();
        moveTo(0);
        return;
    }
    firstPending_ = true;
}

void Cursor::insertRow(quint32 recno) {
    rowsValid_ = true;
    rowsVersion_ = table_->version();
    currentRow_ = -1;
    if (!rowMatches(recno)) return;
    size_t pos;
    if (tagName_.isEmpty()) {
        pos = rows_.upperBound(recno, std::less<quint32>());
    } else {
        const int field = table_->tagField(tagName_);
        const IndexKey key = table_->indexKey(recno, field);
        pos = rows_.upperBound(recno, [&](quint32 r, quint32 other) {
            const auto c = key <=> table_->indexKey(other, field);
            return c < 0 || (c == 0 && r < other);
        });
    }
    rows_.insert(pos, recno);
    if (recno == current_) currentRow_ = static_cast<int>(pos);
}

int Cursor::recordCount() const {
    if (!table_) return 0;
    ensureRows();
    return static_cast<int>(rows_.size());
}

int Cursor::row() const {
    if (!table_) return -1;
    settle();
    ensureRows();
    if (currentRow_ < 0 && !rows_.empty() && current_ == 0) return -1;
    return currentRow_;
}

quint32 Cursor::recno() const {
    if (!table_) return 0;
    settle();
    ensureRows();
    return currentRow_ >= 0 ? current_ : 0;
}

quint32 Cursor::recnoAt(int r) const {
    ensureRows();
    if (r < 0 || r >= static_cast<int>(rows_.size())) return 0;
    return rows_[static_cast<size_t>(r)];
}

void Cursor::moveTo(int r, bool notify) {
    settle();
    ensureRows();
    const quint32 before = current_;
    if (rows_.empty()) {
        current_ = 0;
        currentRow_ = -1;
        eof_ = bof_ = true;
    } else {
        r = std::clamp(r, 0, static_cast<int>(rows_.size()) - 1);
        currentRow_ = r;
        current_ = rows_[static_cast<size_t>(r)];
        eof_ = bof_ = false;
    }
    if (notify && before != current_) Q_EMIT currentChanged();
}

bool Cursor::rereadIfTableChanged() {
    if (!rowsValid_ || rowsVersion_ == table_->version()) return false;
    invalidate();
    ensureRows();
    return true;
}

// Moving to either end reads the rows afresh, so that a window that asks for the last record (to
// number the next one, or to show the end of a list) sees what other cursors stored meanwhile.
void Cursor::first() {
    requireOpen();
    if (state_ != State::Browse) post();
    const bool reread = rereadIfTableChanged();
    moveTo(0);
    bof_ = true;
    eof_ = rows_.empty();
    if (reread) Q_EMIT contentsChanged();
}

void Cursor::last() {
    requireOpen();
    if (state_ != State::Browse) post();
    const bool reread = rereadIfTableChanged();
    ensureRows();
    moveTo(static_cast<int>(rows_.size()) - 1);
    eof_ = true;
    bof_ = rows_.empty();
    if (reread) Q_EMIT contentsChanged();
}

void Cursor::next() {
    requireOpen();
    if (state_ != State::Browse) post();
    ensureRows();
    const int r = row();
    if (r < 0 || r + 1 >= static_cast<int>(rows_.size())) {
        eof_ = true;
        return;
    }
    moveTo(r + 1);
}

void Cursor::prior() {
    requireOpen();
    if (state_ != State::Browse) post();
    ensureRows();
    const int r = row();
    if (r <= 0) {
        bof_ = true;
        return;
    }
    moveTo(r - 1);
}

void Cursor::moveToRow(int r) {
    requireOpen();
    if (state_ != State::Browse) post();
    moveTo(r);
}

bool Cursor::gotoBookmark(Bookmark b) {
    requireOpen();
    if (state_ != State::Browse) post();
    ensureRows();
    const qsizetype at = b == 0 ? -1 : rows_.indexOf(b);
    if (at < 0) return false;
    moveTo(static_cast<int>(at));
    return true;
}

// ---------------------------------------------------------------------------------------------

void Cursor::setFilter(const QString& text) {
    std::optional<Filter> parsed;
    if (table_) parsed = Filter::parse(text, table_->def());  // throws before anything changes
    if (state_ == State::Edit || state_ == State::Insert) post();
    if (table_) table_->refresh();  // a new search shows what other processes stored
    filterText_ = text;
    filter_ = std::move(parsed);
    invalidate();
    if (table_) {
        toFirst();
        Q_EMIT contentsChanged();
    }
}

void Cursor::setFiltered(bool on) {
    if (state_ == State::Edit || state_ == State::Insert) post();
    if (table_) table_->refresh();
    filtered_ = on;
    invalidate();
    if (table_) {
        toFirst();
        Q_EMIT contentsChanged();
    }
}

void Cursor::setCaseInsensitive(bool on) {
    caseInsensitive_ = on;
    invalidate();
    if (table_ && filtered_) {
        toFirst();
        Q_EMIT contentsChanged();
    }
}

void Cursor::setIndexName(const QString& tagName) {
    requireOpen();
    QString canonical;
    if (!tagName.isEmpty()) {
        table_->requireTag(tagName);  // nothing of the tag is read yet
        canonical = table_->def().tagByName(tagName)->name;
    }
    if (state_ == State::Edit || state_ == State::Insert) post();
    table_->refresh();
    const bool lazy = firstPending_ && !currentObserved();
    if (!lazy) settle();  // the current record of the old order is kept
    tagName_ = canonical;
    invalidate();
    if (lazy) {
        Q_EMIT contentsChanged();  // the first row stays current, read when asked for
        return;
    }
    const quint32 keep = current_;
    ensureRows();
    const qsizetype at = rows_.indexOf(keep);
    moveTo(at >= 0 ? static_cast<int>(at) : 0);
    Q_EMIT contentsChanged();
}

void Cursor::setIndexFieldNames(const QString& fieldName) {
    requireOpen();
    if (fieldName.isEmpty()) return setIndexName(QString());
    const TagDef* tag = table_->def().tagForField(fieldName);
    if (!tag)
        throw EngineError(QStringLiteral("フィールド '%1' の索引が '%2' にありません")
                              .arg(fieldName, table_->def().mdxName));
    setIndexName(tag->name);
}

// ---------------------------------------------------------------------------------------------

void Cursor::append() {
    requireOpen();
    if (state_ != State::Browse) post();
    settle();
    beforeInsert_ = current_;
    changes_.clear();
    editRecno_ = 0;
    state_ = State::Insert;
    Q_EMIT stateChanged();
    Q_EMIT currentChanged();
}

void Cursor::edit() {
    requireOpen();
    if (state_ == State::Edit || state_ == State::Insert) return;
    if (recno() == 0) throw EngineError(QStringLiteral("編集するレコードがありません"));
    editRecno_ = current_;
    changes_.clear();
    state_ = State::Edit;
    Q_EMIT stateChanged();
}

int Cursor::addBeforePost(std::function<void()> hook) {
    beforePost_.emplace_back(nextHookId_, std::move(hook));
    return nextHookId_++;
}

void Cursor::removeBeforePost(int id) {
    std::erase_if(beforePost_, [id](const auto& h) { return h.first == id; });
}

void Cursor::post() {
    requireOpen();
    if (state_ == State::Insert || state_ == State::Edit) {
        const auto hooks = beforePost_;  // a hook may remove itself
        for (const auto& h : hooks) h.second();
    }
    if (state_ == State::Insert) {
        // Rows that were up to date before the append take the new record in place, so that a
        // post costs the same on a large table as on a small one.
        const bool rowsWereCurrent = rowsValid_ && rowsVersion_ == table_->version();
        quint32 r = 0;
        {
            posting_ = true;
            struct Reset {
                bool& flag;
                ~Reset() { flag = false; }
            } reset{posting_};
            try {
                r = table_->append(changes_, completion_);  // throws before writing when a value is refused
            } catch (...) {
                // Stored although a later write failed: the record is there once, and a second
                // post would store it again.
                if (table_->lastChangeStored()) {
                    changes_.clear();
                    state_ = State::Browse;
                    current_ = table_->recordCount();
                    invalidate();
                    ensureRows();
                    if (currentRow_ < 0) moveTo(0, false);
                    Q_EMIT stateChanged();
                    Q_EMIT contentsChanged();
                    Q_EMIT currentChanged();
                }
                throw;
            }
        }
        changes_.clear();
        state_ = State::Browse;
        current_ = r;
        if (rowsWereCurrent) {
            insertRow(r);
        } else {
            invalidate();
            ensureRows();
        }
        if (currentRow_ < 0) moveTo(0, false);
        eof_ = bof_ = false;
        Q_EMIT stateChanged();
        Q_EMIT contentsChanged();
        Q_EMIT currentChanged();
    } else if (state_ == State::Edit) {
        if (!changes_.empty()) {
            try {
                table_->update(editRecno_, changes_);
            } catch (...) {
                if (table_->lastChangeStored()) {
                    changes_.clear();
                    state_ = State::Browse;
                    current_ = editRecno_;
                    invalidate();
                    Q_EMIT stateChanged();
                    Q_EMIT contentsChanged();
                    Q_EMIT currentChanged();
                }
                throw;
            }
        }
        changes_.clear();
        state_ = State::Browse;
        current_ = editRecno_;
        invalidate();
        ensureRows();
        if (currentRow_ < 0) moveTo(0, false);
        Q_EMIT stateChanged();
        Q_EMIT contentsChanged();
        Q_EMIT currentChanged();
    }
}

void Cursor::cancel() {
    if (state_ != State::Edit && state_ != State::Insert) return;
    const bool wasInsert = state_ == State::Insert;
    settle();
    changes_.clear();
    state_ = State::Browse;
    if (wasInsert) current_ = beforeInsert_;
    invalidate();
    ensureRows();
    if (currentRow_ < 0) moveTo(0, false);
    Q_EMIT stateChanged();
    Q_EMIT currentChanged();
}

void Cursor::remove() {
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit) cancel();
    const int r = row();
    if (r < 0) throw EngineError(QStringLiteral("削除するレコードがありません"));
    table_->remove(current_);
    invalidate();
    ensureRows();
    // The record after the deleted one becomes current, or the new last one.
    current_ = 0;
    moveTo(std::min(r, static_cast<int>(rows_.size()) - 1), false);
    Q_EMIT contentsChanged();
    Q_EMIT currentChanged();
}

void Cursor::refresh() {
    requireOpen();
    table_->refresh();  // takes in what other processes wrote
    settle();
    const quint32 keep = current_;
    const int keepRow = currentRow_;
    invalidate();
    ensureRows();
    const qsizetype at = rows_.indexOf(keep);
    if (at >= 0)
        moveTo(static_cast<int>(at), false);
    else
        moveTo(std::max(keepRow, 0), false);
    Q_EMIT contentsChanged();
    Q_EMIT currentChanged();
}

void Cursor::onTableChanged() {
    if (posting_) return;  // post() brings its own rows up to date and tells its observers
    // Another cursor changed the table. The rows stay as they were read (see Rows above); only
    // the values shown for them may have changed, so the observers show them again.
    Q_EMIT contentsChanged();
}

// ---------------------------------------------------------------------------------------------

Value Cursor::value(int field) const {
    requireOpen();
    if (field < 0 || field >= static_cast<int>(table_->def().fields.size()))
        throw EngineError(QStringLiteral("フィールド番号 %1 はありません").arg(field));
    if (state_ == State::Edit || state_ == State::Insert) {
        for (auto it = changes_.rbegin(); it != changes_.rend(); ++it)
            if (it->first == field) return it->second;
        if (state_ == State::Insert) return {};
        return table_->value(editRecno_, field);
    }
    const quint32 r = recno();
    if (r == 0) return {};
    return table_->value(r, field);
}

Value Cursor::valueAt(int r, int field) const {
    const quint32 rec = recnoAt(r);
    if (rec == 0) return {};
    return table_->value(rec, field);
}

void Cursor::setValue(int field, const Value& v) {
    requireOpen();
    if (state_ != State::Edit && state_ != State::Insert)
        throw EngineError(QStringLiteral("テーブル '%1' は編集中ではありません").arg(table_->fileName()));
    if (field < 0 || field >= static_cast<int>(table_->def().fields.size()))
        throw EngineError(QStringLiteral("フィールド番号 %1 はありません").arg(field));
    auto it = std::find_if(changes_.begin(), changes_.end(), [&](const auto& c) { return c.first == field; });
    if (it != changes_.end())
        it->second = v;
    else
        changes_.emplace_back(field, v);
    Q_EMIT fieldChanged(field);
}

QString Cursor::text(const QString& field) const {
    const Value v = value(field);
    if (const QString* s = std::get_if<QString>(&v)) return *s;
    if (const double* d = std::get_if<double>(&v)) return QString::number(*d, 'g', 15);
    if (const QDate* d = std::get_if<QDate>(&v)) return d->toString(QStringLiteral("yyyy/MM/dd"));
    if (const bool* b = std::get_if<bool>(&v)) return *b ? QStringLiteral("True") : QStringLiteral("False");
    return QString();
}

double Cursor::number(const QString& field) const {
    const Value v = value(field);
    if (const double* d = std::get_if<double>(&v)) return *d;
    return 0;
}

QDate Cursor::date(const QString& field) const {
    const Value v = value(field);
    if (const QDate* d = std::get_if<QDate>(&v)) return *d;
    return QDate();
}

bool Cursor::logical(const QString& field) const {
    const Value v = value(field);
    if (const bool* b = std::get_if<bool>(&v)) return *b;
    return false;
}

}  // namespace mz::data
