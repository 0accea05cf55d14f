#pragma once
// A table of rows that reads as a vector but may keep a run of free rows, a
// gap, inside its storage.
//
// Undo and redo of an edit that grows or shrinks one part would otherwise
// move every row after that part, on a big model many times the rows the
// edit touched. They leave the gap at the end of the part instead, so that
// doing and undoing the edit again moves only that part's rows.
//
// Reading never moves rows, so readers on several threads stay safe: the
// index, the iterators and the comparisons step over the gap, and
// Segments() gives the rows of a range as at most two contiguous spans.
// Every call that changes the table's length closes the gap first (one move
// of the rows after it), except OpenWindow() and CloseWindow(), which are
// the undo records' own.

#include <algorithm>
#include <array>
#include <compare>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace mobrix {

template <class T>
class RowTable {
    template <bool Const>
    class Iterator {
        using Table = std::conditional_t<Const, const RowTable, RowTable>;

    public:
        using iterator_concept = std::random_access_iterator_tag;
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using reference = std::conditional_t<Const, const T&, T&>;
        using pointer = std::conditional_t<Const, const T*, T*>;

        Iterator() = default;
        Iterator(Table* table, std::size_t index) : table_(table), index_(index) {}
        // A mutable iterator reads as a const one.
        template <bool C = Const, class = std::enable_if_t<C>>
        Iterator(const Iterator<false>& other) : table_(other.table_), index_(other.index_)
        {
        }

        reference operator*() const { return (*table_)[index_]; }
        pointer operator->() const { return &(*table_)[index_]; }
        reference operator[](difference_type n) const { return (*table_)[Offset(n)]; }

        Iterator& operator++() { return *this += 1; }
        Iterator& operator--() { return *this -= 1; }
        Iterator operator++(int)
        {
            Iterator old = *this;
            ++*this;
            return old;
        }
        Iterator operator--(int)
        {
            Iterator old = *this;
            --*this;
            return old;
        }
        Iterator& operator+=(difference_type n)
        {
            index_ = Offset(n);
            return *this;
        }
        Iterator& operator-=(difference_type n) { return *this += -n; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b)
        {
            return static_cast<difference_type>(a.index_) - static_cast<difference_type>(b.index_);
        }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.index_ == b.index_; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.index_ <=> b.index_; }

        std::size_t Index() const { return index_; }

    private:
        friend class Iterator<!Const>;
        std::size_t Offset(difference_type n) const
        {
            return static_cast<std::size_t>(static_cast<difference_type>(index_) + n);
        }
        Table* table_ = nullptr;
        std::size_t index_ = 0;
    };

public:
    using value_type = T;
    using size_type = std::size_t;
    using difference_type = std::ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    RowTable() = default;
    explicit RowTable(std::size_t count) : rows_(count) {}
    RowTable(std::size_t count, const T& value) : rows_(count, value) {}
    RowTable(std::initializer_list<T> rows) : rows_(rows) {}
    RowTable(std::vector<T> rows) : rows_(std::move(rows)) {}
    template <class It, class = std::enable_if_t<!std::is_integral_v<It>>>
    RowTable(It first, It last) : rows_(first, last)
    {
    }

    // A copy holds the rows without a gap.
    RowTable(const RowTable& other) : rows_(other.ToVector()) {}
    RowTable& operator=(const RowTable& other)
    {
        if (this != &other) {
            rows_ = other.ToVector();
            gapAt_ = gapRows_ = 0;
        }
        return *this;
    }
    RowTable(RowTable&& other) noexcept
        : rows_(std::move(other.rows_)), gapAt_(std::exchange(other.gapAt_, 0)),
          gapRows_(std::exchange(other.gapRows_, 0))
    {
        other.rows_.clear();
    }
    RowTable& operator=(RowTable&& other) noexcept
    {
        rows_ = std::move(other.rows_);
        gapAt_ = std::exchange(other.gapAt_, 0);
        gapRows_ = std::exchange(other.gapRows_, 0);
        other.rows_.clear();
        return *this;
    }
    RowTable& operator=(std::initializer_list<T> rows)
    {
        rows_ = rows;
        gapAt_ = gapRows_ = 0;
        return *this;
    }

    std::size_t size() const { return rows_.size() - gapRows_; }
    bool empty() const { return size() == 0; }

    T& operator[](std::size_t i) { return rows_[Stored(i)]; }
    const T& operator[](std::size_t i) const { return rows_[Stored(i)]; }
    T& back() { return (*this)[size() - 1]; }
    const T& back() const { return (*this)[size() - 1]; }

    iterator begin() { return iterator(this, 0); }
    iterator end() { return iterator(this, size()); }
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

    // The rows as one block; closes the gap.
    T* data()
    {
        Close();
        return rows_.data();
    }
    // Rows [first, first + count) as one span, moving the gap out of it when
    // it lies inside.
    std::span<T> Window(std::size_t first, std::size_t count)
    {
        if (first < gapAt_ && gapAt_ < first + count && gapRows_ > 0)
            Close();
        return std::span<T>(rows_.data() + Stored(first), count);
    }

    // Rows [first, first + count) as they lie in the storage: one span, or
    // two when the range runs across the gap.
    std::array<std::span<const T>, 2> Segments(std::size_t first, std::size_t count) const
    {
        const T* base = rows_.data();
        if (gapRows_ == 0 || first + count <= gapAt_)
            return {std::span<const T>(base + first, count), {}};
        if (first >= gapAt_)
            return {std::span<const T>(base + first + gapRows_, count), {}};
        const std::size_t head = gapAt_ - first;
        return {std::span<const T>(base + first, head), std::span<const T>(base + gapAt_ + gapRows_, count - head)};
    }
    std::array<std::span<const T>, 2> Segments() const { return Segments(0, size()); }

    // The calls taking a row copy it before closing the gap, which moves
    // the rows a reference into this table may point at.
    void push_back(const T& row)
    {
        const T copy = row;
        Close();
        rows_.push_back(copy);
    }
    template <class... Args>
    T& emplace_back(Args&&... args)
    {
        T row(std::forward<Args>(args)...);
        Close();
        return rows_.emplace_back(std::move(row));
    }
    iterator insert(const_iterator at, const T& row) { return insert(at, std::size_t{1}, row); }
    iterator insert(const_iterator at, std::size_t count, const T& row)
    {
        const T copy = row;
        Close();
        rows_.insert(rows_.begin() + Diff(at.Index()), count, copy);
        return iterator(this, at.Index());
    }
    template <class It, class = std::enable_if_t<!std::is_integral_v<It>>>
    iterator insert(const_iterator at, It first, It last)
    {
        std::vector<T> added(first, last); // the source may be this table
        Close();
        rows_.insert(rows_.begin() + Diff(at.Index()), added.begin(), added.end());
        return iterator(this, at.Index());
    }
    iterator insert(const_iterator at, std::initializer_list<T> rows) { return insert(at, rows.begin(), rows.end()); }
    iterator erase(const_iterator at) { return erase(at, at + 1); }
    iterator erase(const_iterator first, const_iterator last)
    {
        Close();
        rows_.erase(rows_.begin() + Diff(first.Index()), rows_.begin() + Diff(last.Index()));
        return iterator(this, first.Index());
    }
    void resize(std::size_t count)
    {
        Close();
        rows_.resize(count);
    }
    void resize(std::size_t count, const T& row)
    {
        const T copy = row;
        Close();
        rows_.resize(count, copy);
    }
    void assign(std::size_t count, const T& row)
    {
        rows_.assign(count, row);
        gapAt_ = gapRows_ = 0;
    }
    template <class It, class = std::enable_if_t<!std::is_integral_v<It>>>
    void assign(It first, It last)
    {
        std::vector<T> rows(first, last); // the source may be this table
        rows_ = std::move(rows);
        gapAt_ = gapRows_ = 0;
    }
    void clear()
    {
        rows_.clear();
        gapAt_ = gapRows_ = 0;
    }
    void reserve(std::size_t count)
    {
        Close();
        rows_.reserve(count);
    }

    std::vector<T> ToVector() const
    {
        std::vector<T> rows;
        rows.reserve(size());
        for (const std::span<const T> piece : Segments())
            rows.insert(rows.end(), piece.begin(), piece.end());
        return rows;
    }

    // For an undo record that turns rows [first, first + fromCount) into
    // toCount rows: moves the gap to just after those rows, takes the rows
    // to grow by from it (widening it first when it is too small) and
    // returns the window's max(fromCount, toCount) rows, which now lie
    // together. CloseWindow() then gives the rows a shrinking window no
    // longer needs to the gap.
    T* OpenWindow(std::size_t first, std::size_t fromCount, std::size_t toCount)
    {
        MoveGap(first + fromCount);
        if (toCount > fromCount) {
            const std::size_t grow = toCount - fromCount;
            if (gapRows_ < grow) {
                rows_.insert(rows_.begin() + Diff(gapAt_), grow - gapRows_, T{});
                gapRows_ = grow;
            }
            gapAt_ += grow;
            gapRows_ -= grow;
        }
        return rows_.data() + first;
    }
    void CloseWindow(std::size_t first, std::size_t fromCount, std::size_t toCount)
    {
        if (toCount < fromCount && gapAt_ == first + fromCount) {
            gapAt_ -= fromCount - toCount;
            gapRows_ += fromCount - toCount;
        }
    }

    // Free rows kept inside the storage (for the tests of the gap).
    std::size_t GapRows() const { return gapRows_; }

    friend bool operator==(const RowTable& a, const RowTable& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend bool operator==(const RowTable& a, const std::vector<T>& b)
    {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }

private:
    static std::ptrdiff_t Diff(std::size_t n) { return static_cast<std::ptrdiff_t>(n); }
    std::size_t Stored(std::size_t i) const { return i < gapAt_ ? i : i + gapRows_; }

    // Moves the gap so that it starts before logical row `at`, moving the
    // rows in between across it.
    void MoveGap(std::size_t at)
    {
        if (gapRows_ == 0) {
            gapAt_ = at;
            return;
        }
        T* base = rows_.data();
        if (at < gapAt_)
            std::copy_backward(base + at, base + gapAt_, base + gapAt_ + gapRows_);
        else if (at > gapAt_)
            std::copy(base + gapAt_ + gapRows_, base + at + gapRows_, base + gapAt_);
        gapAt_ = at;
    }
    void Close()
    {
        if (gapRows_ == 0)
            return;
        rows_.erase(rows_.begin() + Diff(gapAt_), rows_.begin() + Diff(gapAt_ + gapRows_));
        gapAt_ = gapRows_ = 0;
    }

    std::vector<T> rows_;
    std::size_t gapAt_ = 0;   // logical row the gap lies before
    std::size_t gapRows_ = 0; // free rows in the gap
};

// Rows [first, first + count) of a table as one span: a vector's own rows,
// or a row table's, copied into `copy` only when its gap splits them.
template <class T>
std::span<const T> ContiguousRows(const std::vector<T>& table, std::size_t first, std::size_t count, std::vector<T>&)
{
    return std::span<const T>(table).subspan(first, count);
}
template <class T>
std::span<const T> ContiguousRows(const RowTable<T>& table, std::size_t first, std::size_t count,
                                  std::vector<T>& copy)
{
    const auto segments = table.Segments(first, count);
    if (segments[1].empty())
        return segments[0];
    copy.assign(segments[0].begin(), segments[0].end());
    copy.insert(copy.end(), segments[1].begin(), segments[1].end());
    return copy;
}

} // namespace mobrix
