#pragma once
// The rows of a cursor: record numbers in the cursor's order, kept in blocks of a few thousand
// so that taking a new record in at its place moves one block, not the whole list. A post on a
// million entries then costs about what it costs on a thousand.

#include <QtGlobal>

#include <algorithm>
#include <vector>

namespace mz::data {

class RowList {
public:
    // Blocks hold up to twice this; a fuller one is split in two.
    static constexpr size_t kBlock = 2048;

    void clear() {
        blocks_.clear();
        starts_.clear();
        size_ = 0;
    }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Appends at the end (building the list in order).
    void push_back(quint32 recno) {
        if (blocks_.empty() || blocks_.back().size() >= kBlock) {
            blocks_.emplace_back().reserve(kBlock);
            starts_.push_back(size_);
        }
        blocks_.back().push_back(recno);
        ++size_;
    }

    // Appends n record numbers at the end, a block at a time.
    void append(const quint32* recnos, size_t n) {
        while (n > 0) {
            if (blocks_.empty() || blocks_.back().size() >= kBlock) {
                blocks_.emplace_back().reserve(kBlock);
                starts_.push_back(size_);
            }
            std::vector<quint32>& block = blocks_.back();
            const size_t take = std::min(n, kBlock - block.size());
            block.insert(block.end(), recnos, recnos + take);
            size_ += take;
            recnos += take;
            n -= take;
        }
    }

    quint32 operator[](size_t row) const {
        const size_t b = blockOf(row);
        return blocks_[b][row - starts_[b]];
    }

    // Row of recno, or -1.
    qsizetype indexOf(quint32 recno) const {
        for (size_t b = 0; b < blocks_.size(); ++b) {
            const auto it = std::find(blocks_[b].begin(), blocks_[b].end(), recno);
            if (it != blocks_[b].end()) return static_cast<qsizetype>(starts_[b] + size_t(it - blocks_[b].begin()));
        }
        return -1;
    }

    // The first row whose record comes after value by less(value, row's record), as
    // std::upper_bound; the rows must be ordered by less.
    template <class Less>
    size_t upperBound(quint32 value, Less less) const {
        // The first block whose last record comes after value, then the place inside it.
        size_t lo = 0, hi = blocks_.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (less(value, blocks_[mid].back()))
                hi = mid;
            else
                lo = mid + 1;
        }
        if (lo == blocks_.size()) return size_;
        const std::vector<quint32>& block = blocks_[lo];
        size_t a = 0, e = block.size();
        while (a < e) {
            const size_t mid = a + (e - a) / 2;
            if (less(value, block[mid]))
                e = mid;
            else
                a = mid + 1;
        }
        return starts_[lo] + a;
    }

    // Inserts recno before row (size() appends).
    void insert(size_t row, quint32 recno) {
        if (blocks_.empty()) {
            push_back(recno);
            return;
        }
        size_t b = row >= size_ ? blocks_.size() - 1 : blockOf(row);
        std::vector<quint32>& block = blocks_[b];
        block.insert(block.begin() + static_cast<std::ptrdiff_t>(row - starts_[b]), recno);
        ++size_;
        for (size_t k = b + 1; k < starts_.size(); ++k) ++starts_[k];
        if (block.size() >= 2 * kBlock) {
            std::vector<quint32> tail(block.begin() + static_cast<std::ptrdiff_t>(kBlock), block.end());
            block.resize(kBlock);
            blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b + 1), std::move(tail));
            starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(b + 1), starts_[b] + kBlock);
        }
    }

private:
    size_t blockOf(size_t row) const {
        Q_ASSERT(row < size_);
        // The last block that starts at or before row.
        size_t lo = 0, hi = starts_.size();
        while (hi - lo > 1) {
            const size_t mid = lo + (hi - lo) / 2;
            if (starts_[mid] <= row)
                lo = mid;
            else
                hi = mid;
        }
        return lo;
    }

    std::vector<std::vector<quint32>> blocks_;
    std::vector<size_t> starts_;  // row of each block's first record
    size_t size_ = 0;
};

}  // namespace mz::data
