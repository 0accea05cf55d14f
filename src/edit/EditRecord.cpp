#include "EditRecord.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <span>
#include <type_traits>
#include <utility>

namespace mobrix {

namespace {

// Rows are compared and kept byte for byte, so that undo gives back every
// bit (a -0 for a 0 too); none of them may have padding.
static_assert(sizeof(Vec3) == 12 && sizeof(Triangle) == 68 && sizeof(TriStateRecord) == 10);
static_assert(kModelTableCount <= 32, "ModelSlice::held has a bit per table");

std::uint32_t Bit(const TableInfo& info)
{
    return std::uint32_t{1} << info.index;
}

// A table takes part when it runs parallel to its main table (a model
// without NFSIV sets holds those tables empty) and covers the window.
template <class Table>
bool Holds(const Table& table, std::size_t parallelTo, std::size_t first, std::size_t count)
{
    return table.size() == parallelTo && first + count <= table.size();
}

struct Sizes {
    std::size_t vertices = 0;
    std::size_t triangles = 0;
    std::size_t Of(TableRows rows) const { return rows == TableRows::Vertices ? vertices : triangles; }
};

Sizes SizesOf(const CarModel& model)
{
    return Sizes{model.Vertices.size(), model.Triangles.size()};
}

// The first row and the row count of a window, along vertices or triangles.
std::pair<std::size_t, std::size_t> Span(const TableWindow& w, TableRows rows)
{
    return rows == TableRows::Vertices ? std::pair{w.firstVertex, w.vertices} : std::pair{w.firstTriangle, w.triangles};
}

// Calls f(member, info) on every table the extent covers.
template <class F>
void ForEachCoveredTable(EditExtent extent, F&& f)
{
    ForEachModelTable([&](auto member, TableInfo info) {
        if (extent == EditExtent::Header || (info.rows == TableRows::Triangles && extent != EditExtent::Mesh))
            return;
        f(member, info);
    });
}

template <class Row>
bool SameRow(const Row& a, const Row& b)
{
    return std::memcmp(&a, &b, sizeof(Row)) == 0;
}

template <class Row>
void AppendRows(std::vector<std::byte>& out, const Row* rows, std::size_t count)
{
    static_assert(std::is_trivially_copyable_v<Row>);
    const auto* bytes = reinterpret_cast<const std::byte*>(rows);
    out.insert(out.end(), bytes, bytes + count * sizeof(Row));
}

std::uint32_t Rows32(std::size_t rows)
{
    return static_cast<std::uint32_t>(rows);
}

// --- Lining up the rows before and after -------------------------------------

// From rows i (before) and j (after) on, which differ: how many rows of each
// side were replaced before the sides agree again. The nearest agreement
// wins; at the same distance removals go first while the before side has
// more rows left, insertions while the after side has, replacements else.
// Nothing agrees again: the rest of both sides.
template <class Same>
std::pair<std::size_t, std::size_t> NextAgreement(std::size_t i, std::size_t j, std::size_t endBefore,
                                                  std::size_t endAfter, const Same& same)
{
    enum class Try { Remove, Insert, Replace };
    const std::size_t leftBefore = endBefore - i;
    const std::size_t leftAfter = endAfter - j;
    using Order = std::array<Try, 3>;
    const Order order = leftBefore > leftAfter   ? Order{Try::Remove, Try::Replace, Try::Insert}
                        : leftBefore < leftAfter ? Order{Try::Insert, Try::Replace, Try::Remove}
                                                 : Order{Try::Replace, Try::Remove, Try::Insert};
    for (std::size_t k = 1; k < leftBefore || k < leftAfter; ++k) {
        for (const Try t : order) {
            if (t == Try::Remove && k < leftBefore && same(i + k, j))
                return {k, 0};
            if (t == Try::Insert && k < leftAfter && same(i, j + k))
                return {0, k};
            if (t == Try::Replace && k < leftBefore && k < leftAfter && same(i + k, j + k))
                return {k, k};
        }
    }
    return {leftBefore, leftAfter};
}

// The runs of replaced rows between `before` rows and `after` rows, where
// same(i, j) says whether before row i equals after row j. One greedy pass:
// every search for the next agreement costs no more than the rows it passes
// over, so the whole takes time in proportion to the rows.
template <class Same>
std::vector<RowRun> LineUp(std::size_t before, std::size_t after, const Same& same)
{
    std::size_t head = 0;
    while (head < before && head < after && same(head, head))
        ++head;
    std::size_t endBefore = before;
    std::size_t endAfter = after;
    while (endBefore > head && endAfter > head && same(endBefore - 1, endAfter - 1)) {
        --endBefore;
        --endAfter;
    }
    std::vector<RowRun> runs;
    std::size_t i = head;
    std::size_t j = head;
    std::size_t common = head;
    while (i < endBefore && j < endAfter) {
        if (same(i, j)) {
            ++common;
            ++i;
            ++j;
            continue;
        }
        const auto [removed, added] = NextAgreement(i, j, endBefore, endAfter, same);
        runs.push_back(RowRun{Rows32(common), Rows32(removed), Rows32(added)});
        common = 0;
        i += removed;
        j += added;
    }
    if (i < endBefore || j < endAfter)
        runs.push_back(RowRun{Rows32(common), Rows32(endBefore - i), Rows32(endAfter - j)});
    runs.shrink_to_fit();
    return runs;
}

// The replaced rows of both sides, as the runs say.
template <class Row>
void KeepReplacedRows(TableChange& change, std::span<const Row> before, std::span<const Row> after)
{
    std::size_t beforeRows = 0;
    std::size_t afterRows = 0;
    for (const RowRun& run : change.runs) {
        beforeRows += run.before;
        afterRows += run.after;
    }
    change.beforeRows.reserve(beforeRows * sizeof(Row));
    change.afterRows.reserve(afterRows * sizeof(Row));
    std::size_t i = 0;
    std::size_t j = 0;
    for (const RowRun& run : change.runs) {
        i += run.common;
        j += run.common;
        AppendRows(change.beforeRows, before.data() + i, run.before);
        AppendRows(change.afterRows, after.data() + j, run.after);
        i += run.before;
        j += run.after;
    }
}

// --- Renumbered corners ------------------------------------------------------

// How the vertices of the window were renumbered by an edit: the rows that
// stayed (equal, or replaced one for one) in pieces of consecutive rows.
// Removed and inserted rows have no number on the other side.
class CornerMap {
public:
    CornerMap(const std::vector<RowRun>& runs, std::size_t beforeRows)
    {
        std::size_t b = 0;
        std::size_t a = 0;
        for (const RowRun& run : runs) {
            Add(b, a, run.common);
            b += run.common;
            a += run.common;
            if (run.before == run.after)
                Add(b, a, run.before);
            b += run.before;
            a += run.after;
        }
        if (beforeRows > b)
            Add(b, a, beforeRows - b);
    }

    // Whether any vertex has a new number.
    bool Renumbers() const
    {
        return std::any_of(pieces_.begin(), pieces_.end(), [](const Piece& p) { return p.before != p.after; });
    }

    std::optional<std::int32_t> Forward(std::int32_t corner) const { return Find(corner, &Piece::before, &Piece::after); }
    std::optional<std::int32_t> Backward(std::int32_t corner) const { return Find(corner, &Piece::after, &Piece::before); }

    // Renumbers the triangle's corners; false when one has no number.
    bool Renumber(Triangle& t, bool forward) const
    {
        for (std::int32_t* corner : {&t.I1, &t.I2, &t.I3}) {
            const auto to = forward ? Forward(*corner) : Backward(*corner);
            if (!to)
                return false;
            *corner = *to;
        }
        return true;
    }

private:
    struct Piece {
        std::size_t before = 0;
        std::size_t after = 0;
        std::size_t rows = 0;
    };

    void Add(std::size_t before, std::size_t after, std::size_t rows)
    {
        if (rows == 0)
            return;
        if (!pieces_.empty()) {
            Piece& last = pieces_.back();
            if (last.before + last.rows == before && last.after + last.rows == after) {
                last.rows += rows;
                return;
            }
        }
        pieces_.push_back(Piece{before, after, rows});
    }

    // Both sides' starts rise with the pieces, so either can be searched.
    std::optional<std::int32_t> Find(std::int32_t corner, std::size_t Piece::*from, std::size_t Piece::*to) const
    {
        if (corner < 0)
            return std::nullopt;
        const auto c = static_cast<std::size_t>(corner);
        auto it = std::upper_bound(pieces_.begin(), pieces_.end(), c,
                                   [from](std::size_t value, const Piece& p) { return value < p.*from; });
        if (it == pieces_.begin())
            return std::nullopt;
        const Piece& piece = *(it - 1);
        if (c >= piece.*from + piece.rows)
            return std::nullopt;
        return static_cast<std::int32_t>(piece.*to + (c - piece.*from));
    }

    std::vector<Piece> pieces_;
};

template <class Row>
TableChange CompareRows(std::span<const Row> before, std::span<const Row> after)
{
    TableChange change;
    change.heldBefore = change.heldAfter = true;
    change.runs = LineUp(before.size(), after.size(), [&](std::size_t i, std::size_t j) {
        return SameRow(before[i], after[j]);
    });
    KeepReplacedRows(change, before, after);
    return change;
}

// The triangles compared with the before side's corners renumbered.
TableChange CompareRenumbered(std::span<const Triangle> before, std::span<const Triangle> after,
                              const CornerMap& map)
{
    std::vector<Triangle> renumbered(before.begin(), before.end());
    std::vector<char> numbered(before.size());
    for (std::size_t i = 0; i < renumbered.size(); ++i)
        numbered[i] = map.Renumber(renumbered[i], true) ? 1 : 0;
    TableChange change;
    change.heldBefore = change.heldAfter = true;
    change.renumbered = true;
    change.runs = LineUp(before.size(), after.size(), [&](std::size_t i, std::size_t j) {
        return numbered[i] != 0 && SameRow(renumbered[i], after[j]);
    });
    KeepReplacedRows(change, before, after);
    return change;
}

// --- Putting rows back ------------------------------------------------------

struct Segment {
    std::size_t from = 0;
    std::size_t to = 0;
    std::size_t rows = 0;
};

// Makes rows [first, first + fromCount) of the table lie together with room
// for toCount, and gives their start. A vector moves its tail; a row table
// uses its gap, which it then keeps at the window's end.
template <class Row>
Row* OpenRows(std::vector<Row>& table, std::size_t first, std::size_t fromCount, std::size_t toCount)
{
    if (toCount > fromCount)
        table.insert(table.begin() + static_cast<std::ptrdiff_t>(first + fromCount), toCount - fromCount, Row{});
    return table.data() + first;
}
template <class Row>
Row* OpenRows(RowTable<Row>& table, std::size_t first, std::size_t fromCount, std::size_t toCount)
{
    return table.OpenWindow(first, fromCount, toCount);
}

// Ends the window OpenRows() opened, once its toCount rows are in place.
template <class Row>
void CloseRows(std::vector<Row>& table, std::size_t first, std::size_t fromCount, std::size_t toCount)
{
    if (toCount < fromCount)
        table.erase(table.begin() + static_cast<std::ptrdiff_t>(first + toCount),
                    table.begin() + static_cast<std::ptrdiff_t>(first + fromCount));
}
template <class Row>
void CloseRows(RowTable<Row>& table, std::size_t first, std::size_t fromCount, std::size_t toCount)
{
    table.CloseWindow(first, fromCount, toCount);
}

// Turns the window [first, first + fromCount) of the table, which holds one
// side of the change, into the other side's toCount rows. The table makes
// room once, the equal rows between the runs move in place (those moving
// towards the front first, in order, then those moving towards the back,
// from the last), and then the kept rows are copied in.
template <class Table>
void PutRows(Table& table, std::size_t first, std::size_t fromCount, std::size_t toCount, const TableChange& change,
             const std::vector<RowRun>& runs, bool towardAfter, const CornerMap* renumber)
{
    using Row = typename Table::value_type;
    const std::vector<std::byte>& kept = towardAfter ? change.afterRows : change.beforeRows;
    std::vector<Segment> equal;
    std::vector<Segment> replaced; // `from`: offset into `kept` in rows
    equal.reserve(runs.size() + 1);
    replaced.reserve(runs.size());
    std::size_t from = 0;
    std::size_t to = 0;
    std::size_t keptRow = 0;
    for (const RowRun& run : runs) {
        equal.push_back(Segment{from, to, run.common});
        from += run.common + (towardAfter ? run.before : run.after);
        to += run.common;
        const std::size_t rows = towardAfter ? run.after : run.before;
        replaced.push_back(Segment{keptRow, to, rows});
        to += rows;
        keptRow += rows;
    }
    if (from > fromCount || to > toCount || fromCount - from != toCount - to || keptRow * sizeof(Row) != kept.size())
        return; // not this record's window: leave the table as it is
    equal.push_back(Segment{from, to, fromCount - from});

    Row* window = OpenRows(table, first, fromCount, toCount);
    for (const Segment& s : equal) {
        if (s.to < s.from)
            std::copy(window + s.from, window + s.from + s.rows, window + s.to);
    }
    for (auto s = equal.rbegin(); s != equal.rend(); ++s) {
        if (s->to > s->from)
            std::copy_backward(window + s->from, window + s->from + s->rows, window + s->to + s->rows);
    }
    if constexpr (std::is_same_v<Row, Triangle>) {
        if (renumber != nullptr) {
            for (const Segment& s : equal) {
                for (std::size_t k = s.to; k < s.to + s.rows; ++k)
                    renumber->Renumber(window[k], towardAfter);
            }
        }
    }
    for (const Segment& s : replaced) {
        if (s.rows > 0)
            std::memcpy(static_cast<void*>(window + s.to), kept.data() + s.from * sizeof(Row), s.rows * sizeof(Row));
    }
    CloseRows(table, first, fromCount, toCount);
}

// Replaces table[first, first + oldCount) by `with`, moving the tail once.
template <class Table>
void Splice(Table& table, std::size_t first, std::size_t oldCount, const Table& with)
{
    const std::size_t newCount = with.size();
    const auto at = table.begin() + static_cast<std::ptrdiff_t>(first);
    if (newCount > oldCount)
        table.insert(at + static_cast<std::ptrdiff_t>(oldCount), newCount - oldCount, typename Table::value_type{});
    else if (newCount < oldCount)
        table.erase(at + static_cast<std::ptrdiff_t>(newCount), at + static_cast<std::ptrdiff_t>(oldCount));
    std::copy(with.begin(), with.end(), table.begin() + static_cast<std::ptrdiff_t>(first));
}

// The rows a table the record did not hold gets: the working positions or
// normals just put back, when it is one of their copies, or blank rows.
template <class Table>
Table FillRows(const CarModel& model, TableFill fill, bool workingPut, std::size_t first, std::size_t count)
{
    if constexpr (std::is_same_v<Table, std::vector<Vec3>>) {
        const std::vector<Vec3>* source = fill == TableFill::Positions ? &model.Vertices
                                          : fill == TableFill::Normals  ? &model.Normals
                                                                        : nullptr;
        if (source != nullptr && workingPut && first + count <= source->size())
            return Table(source->begin() + static_cast<std::ptrdiff_t>(first),
                         source->begin() + static_cast<std::ptrdiff_t>(first + count));
    }
    return Table(count);
}

const std::vector<RowRun>& RunsOf(const EditRecord& record, const TableChange& change)
{
    return change.sameRunsAs < 0 ? change.runs : record.tables[static_cast<std::size_t>(change.sameRunsAs)].runs;
}

// Tables whose rows were replaced alike (the vertex tables of a removed
// vertex) keep their runs once.
void ShareRuns(EditRecord& record)
{
    for (std::size_t t = 1; t < record.tables.size(); ++t) {
        TableChange& change = record.tables[t];
        if (change.runs.empty())
            continue;
        for (std::size_t earlier = 0; earlier < t; ++earlier) {
            const TableChange& other = record.tables[earlier];
            if (other.sameRunsAs < 0 && !other.runs.empty() && std::equal(change.runs.begin(), change.runs.end(),
                                                                         other.runs.begin(), other.runs.end(),
                                                                         [](const RowRun& a, const RowRun& b) {
                                                                             return a.common == b.common &&
                                                                                    a.before == b.before &&
                                                                                    a.after == b.after;
                                                                         })) {
                change.sameRunsAs = static_cast<int>(earlier);
                std::vector<RowRun>().swap(change.runs);
                break;
            }
        }
    }
}

void PutRecord(CarModel& model, const EditRecord& record, bool towardAfter)
{
    const TableWindow& from = towardAfter ? record.before : record.after;
    const TableWindow& to = towardAfter ? record.after : record.before;
    const auto heldOnTarget = [towardAfter](const TableChange& c) { return towardAfter ? c.heldAfter : c.heldBefore; };
    std::optional<CornerMap> renumber;
    if (record.tables[0].heldBefore && record.tables[0].heldAfter)
        renumber.emplace(record.tables[0].runs, record.before.vertices);
    // Every table is judged by the lengths the main tables had before any
    // was put back.
    const Sizes sizes = SizesOf(model);
    std::uint32_t toFill = 0;
    ForEachCoveredTable(record.extent, [&](auto member, TableInfo info) {
        auto& table = model.*member;
        const auto [first, fromCount] = Span(from, info.rows);
        if (!Holds(table, sizes.Of(info.rows), first, fromCount))
            return;
        const TableChange& change = record.tables[static_cast<std::size_t>(info.index)];
        if (!heldOnTarget(change)) {
            // An empty table of a model without vertices runs parallel too;
            // it is filled only when the model keeps such tables.
            if (!table.empty() || KeepsTables(model, info.group))
                toFill |= Bit(info);
            return;
        }
        const CornerMap* map = change.renumbered && renumber ? &*renumber : nullptr;
        PutRows(table, first, fromCount, Span(to, info.rows).second, change, RunsOf(record, change), towardAfter, map);
    });
    // Filled last, from the working tables as they are now.
    const bool workingPut = heldOnTarget(record.tables[0]);
    ForEachCoveredTable(record.extent, [&](auto member, TableInfo info) {
        if ((toFill & Bit(info)) == 0)
            return;
        auto& table = model.*member;
        using Table = std::remove_reference_t<decltype(table)>;
        const auto [first, fromCount] = Span(from, info.rows);
        const std::size_t toCount = Span(to, info.rows).second;
        Splice(table, first, fromCount, FillRows<Table>(model, info.fill, workingPut, first, toCount));
    });
    model.Header = towardAfter ? record.headerAfter : record.headerBefore;
    model.CurrentPart = towardAfter ? record.currentPartAfter : record.currentPartBefore;
    model.CurrentDummy = towardAfter ? record.currentDummyAfter : record.currentDummyBefore;
}

} // namespace

TableWindow PartWindow(const CarModel& model, int part)
{
    const IndexRange v = PartVertexRange(model, part);
    const IndexRange t = PartTriangleRange(model, part);
    if (part < 0 || part >= UsablePartCount(model.Header) || v.size() < 0 || t.size() < 0)
        return TableWindow{model.Vertices.size(), 0, model.Triangles.size(), 0};
    return TableWindow{static_cast<std::size_t>(v.begin), static_cast<std::size_t>(v.size()),
                       static_cast<std::size_t>(t.begin), static_cast<std::size_t>(t.size())};
}

TableWindow PartsFromWindow(const CarModel& model, int firstPart)
{
    TableWindow w = PartWindow(model, firstPart);
    w.firstVertex = std::min(w.firstVertex, model.Vertices.size());
    w.firstTriangle = std::min(w.firstTriangle, model.Triangles.size());
    w.vertices = model.Vertices.size() - w.firstVertex;
    w.triangles = model.Triangles.size() - w.firstTriangle;
    return w;
}

TableWindow WholeWindow(const CarModel& model)
{
    return TableWindow{0, model.Vertices.size(), 0, model.Triangles.size()};
}

std::size_t TableChange::Bytes() const
{
    return runs.capacity() * sizeof(RowRun) + beforeRows.capacity() + afterRows.capacity();
}

std::size_t EditRecord::Bytes() const
{
    std::size_t bytes = sizeof(EditRecord) + (headerBefore.PartNames.capacity() + headerAfter.PartNames.capacity()) *
                                                 sizeof(Name64);
    for (const TableChange& table : tables)
        bytes += table.Bytes();
    return bytes;
}

bool EditRecord::HeaderOnly() const
{
    return std::all_of(tables.begin(), tables.end(),
                       [](const TableChange& t) { return t.runs.empty() && t.sameRunsAs < 0; });
}

ModelSlice TakeSlice(const CarModel& model, EditExtent extent, TableWindow window)
{
    ModelSlice slice;
    slice.extent = extent;
    slice.window = window;
    slice.header = model.Header;
    slice.currentPart = model.CurrentPart;
    slice.currentDummy = model.CurrentDummy;
    const Sizes sizes = SizesOf(model);
    ForEachCoveredTable(extent, [&](auto member, TableInfo info) {
        const auto& source = model.*member;
        const auto [first, count] = Span(window, info.rows);
        if (Holds(source, sizes.Of(info.rows), first, count)) {
            const auto at = source.begin() + static_cast<std::ptrdiff_t>(first);
            (slice.rows.*member).assign(at, at + static_cast<std::ptrdiff_t>(count));
            slice.held |= Bit(info);
        }
    });
    return slice;
}

EditRecord RecordEdit(const ModelSlice& before, const CarModel& model, TableWindow now)
{
    EditRecord record;
    record.extent = before.extent;
    record.before = before.window;
    record.after = now;
    record.headerBefore = before.header;
    record.headerAfter = model.Header;
    record.currentPartBefore = before.currentPart;
    record.currentPartAfter = model.CurrentPart;
    record.currentDummyBefore = before.currentDummy;
    record.currentDummyAfter = model.CurrentDummy;
    const Sizes sizes = SizesOf(model);
    ForEachCoveredTable(before.extent, [&](auto member, TableInfo info) {
        const auto& table = model.*member;
        using Row = typename std::remove_cvref_t<decltype(table)>::value_type;
        const auto [first, count] = Span(now, info.rows);
        const bool heldBefore = (before.held & Bit(info)) != 0;
        const bool heldAfter = Holds(table, sizes.Of(info.rows), first, count);
        std::vector<Row> oldCopy;
        std::vector<Row> currentCopy;
        const auto& kept = before.rows.*member;
        const std::span<const Row> old = ContiguousRows(kept, 0, kept.size(), oldCopy);
        const std::span<const Row> current =
            heldAfter ? ContiguousRows(table, first, count, currentCopy) : std::span<const Row>();
        TableChange& change = record.tables[static_cast<std::size_t>(info.index)];
        if (heldBefore && heldAfter) {
            change = CompareRows(old, current);
            if constexpr (std::is_same_v<Row, Triangle>) {
                const TableChange& vertices = record.tables[0];
                if (vertices.heldBefore && vertices.heldAfter) {
                    const CornerMap map(vertices.runs, before.window.vertices);
                    if (map.Renumbers()) {
                        TableChange renumbered = CompareRenumbered(old, current, map);
                        if (renumbered.Bytes() < change.Bytes())
                            change = std::move(renumbered);
                    }
                }
            }
            return;
        }
        // Held on one side only: that side's window whole, as one run.
        change.heldBefore = heldBefore;
        change.heldAfter = heldAfter;
        const std::size_t beforeCount = Span(before.window, info.rows).second;
        if (beforeCount == 0 && count == 0)
            return;
        change.runs = {RowRun{0, Rows32(beforeCount), Rows32(count)}};
        AppendRows(change.beforeRows, old.data(), old.size());
        AppendRows(change.afterRows, current.data(), current.size());
    });
    ShareRuns(record);
    return record;
}

void UndoEdit(CarModel& model, const EditRecord& record)
{
    PutRecord(model, record, false);
}

void RedoEdit(CarModel& model, const EditRecord& record)
{
    PutRecord(model, record, true);
}

bool JoinEdits(EditRecord& into, const EditRecord& next)
{
    if (!into.HeaderOnly() || !next.HeaderOnly() || next.extent != into.extent || next.before != into.after ||
        next.after != into.after)
        return false;
    into.headerAfter = next.headerAfter;
    into.currentPartAfter = next.currentPartAfter;
    into.currentDummyAfter = next.currentDummyAfter;
    return true;
}

std::size_t VertexMoves::Bytes() const
{
    return sizeof(VertexMoves) + indices.size() * sizeof(std::int32_t) + (before.size() + after.size()) * sizeof(Vec3);
}

void PutPositions(CarModel& model, const std::vector<std::int32_t>& indices, const std::vector<Vec3>& positions)
{
    const std::size_t n = std::min(indices.size(), positions.size());
    for (std::size_t k = 0; k < n; ++k) {
        const auto i = static_cast<std::size_t>(indices[k]);
        if (indices[k] >= 0 && i < model.Vertices.size())
            model.Vertices[i] = positions[k];
    }
}

std::vector<Vec3> PositionsOf(const CarModel& model, const std::vector<std::int32_t>& indices)
{
    std::vector<Vec3> positions;
    positions.reserve(indices.size());
    for (const std::int32_t i : indices) {
        const auto k = static_cast<std::size_t>(i);
        positions.push_back(i >= 0 && k < model.Vertices.size() ? model.Vertices[k] : Vec3{});
    }
    return positions;
}

} // namespace mobrix
