// The row table against a plain vector: whatever mix of reads, gap moves
// and vector calls, it holds the same rows in the same order.

#include "RowTable.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace mobrix;

namespace {

// What the table's two storage pieces hold, one after the other.
std::vector<int> FromSegments(const RowTable<int>& table, std::size_t first, std::size_t count)
{
    std::vector<int> rows;
    for (const auto& piece : table.Segments(first, count))
        rows.insert(rows.end(), piece.begin(), piece.end());
    return rows;
}

// Turns rows [first, first + from) into `to` rows the way an undo record
// does: the window's rows pushed to its end, the new front rows numbered.
void ReshapeLikeARecord(RowTable<int>& table, std::vector<int>& plain, std::size_t first, std::size_t from,
                        std::size_t to, int& next)
{
    int* window = table.OpenWindow(first, from, to);
    std::vector<int> rows(plain.begin() + static_cast<std::ptrdiff_t>(first),
                          plain.begin() + static_cast<std::ptrdiff_t>(first + from));
    if (to > from) {
        rows.insert(rows.begin(), to - from, 0);
        for (std::size_t k = 0; k < to - from; ++k)
            rows[k] = next++;
    } else {
        rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(from - to));
    }
    std::copy(rows.begin(), rows.end(), window);
    table.CloseWindow(first, from, to);
    plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(first),
                plain.begin() + static_cast<std::ptrdiff_t>(first + from));
    plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(first), rows.begin(), rows.end());
}

} // namespace

TEST(RowTable, RandomGapMovesAndVectorCallsKeepTheRowsOfAPlainVector)
{
    std::mt19937 random(3);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % (n + 1)); };
    std::vector<int> plain;
    for (int k = 0; k < 50; ++k)
        plain.push_back(k);
    RowTable<int> table(plain);
    int next = 1000;
    bool sawGap = false;
    for (int step = 0; step < 3000; ++step) {
        const std::size_t at = pick(plain.size());
        switch (random() % 6) {
        case 0:
        case 1: {
            const std::size_t from = pick(plain.size() - at);
            ReshapeLikeARecord(table, plain, at, from, pick(30), next);
            break;
        }
        case 2:
            table.insert(table.begin() + static_cast<std::ptrdiff_t>(at), next);
            plain.insert(plain.begin() + static_cast<std::ptrdiff_t>(at), next++);
            break;
        case 3:
            if (at < plain.size()) {
                table.erase(table.begin() + static_cast<std::ptrdiff_t>(at));
                plain.erase(plain.begin() + static_cast<std::ptrdiff_t>(at));
            }
            break;
        case 4:
            if (plain.empty()) {
                table.push_back(next);
                plain.push_back(next++);
            } else {
                table[at % plain.size()] = next;
                plain[at % plain.size()] = next++;
                table.push_back(table[at % plain.size()]); // a row of the table itself
                plain.push_back(plain[at % plain.size()]);
            }
            break;
        case 5: {
            const RowTable<int> copy = table;
            ASSERT_EQ(copy.GapRows(), 0u);
            ASSERT_TRUE(copy == table);
            break;
        }
        }
        sawGap = sawGap || table.GapRows() > 0;
        ASSERT_EQ(table.size(), plain.size()) << "step " << step;
        ASSERT_TRUE(table == plain) << "step " << step;
        ASSERT_EQ(std::vector<int>(table.begin(), table.end()), plain);
        const std::size_t first = pick(plain.size());
        const std::size_t count = pick(plain.size() - first);
        ASSERT_EQ(FromSegments(table, first, count),
                  std::vector<int>(plain.begin() + static_cast<std::ptrdiff_t>(first),
                                   plain.begin() + static_cast<std::ptrdiff_t>(first + count)));
        std::vector<int> copy;
        const auto rows = ContiguousRows(table, first, count, copy);
        ASSERT_TRUE(std::equal(rows.begin(), rows.end(), plain.begin() + static_cast<std::ptrdiff_t>(first),
                               plain.begin() + static_cast<std::ptrdiff_t>(first + count)));
    }
    EXPECT_TRUE(sawGap);
    // Asking for the rows as one block gives them without the gap.
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), table.data()));
    EXPECT_EQ(table.GapRows(), 0u);
}
