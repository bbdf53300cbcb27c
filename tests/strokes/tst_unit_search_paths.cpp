// Every kernel behind FindCodeUnit against a plain loop, each on its own, whichever one
// this machine would choose.
#include "packaged_table_fixture.h"
#include "unit_search_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <iterator>
#include <new>
#include <ostream>
#include <string>
#include <vector>

namespace unit_search {
void PrintTo(Path path, std::ostream* out) {
    *out << PathName(path);
}
} // namespace unit_search

namespace {

using unit_search::Path;

// A plain loop's answer for every unit at once: index of its first occurrence, or -1.
std::vector<std::ptrdiff_t> firstOccurrences(const char16_t* data, std::size_t size) {
    std::vector<std::ptrdiff_t> first(0x10000, -1);
    for (std::size_t i = size; i-- > 0;)
        first[data[i]] = std::ptrdiff_t(i);
    return first;
}

// Units starting on a 64-byte boundary (a cache line, the widest vector), in an allocation
// of exactly their number, so that a sanitizer sees any read past the end.
class AlignedUnits {
public:
    explicit AlignedUnits(std::size_t count)
        : units_(static_cast<char16_t*>(::operator new(count * sizeof(char16_t), kAlign))) {}
    ~AlignedUnits() { ::operator delete(units_, kAlign); }
    AlignedUnits(const AlignedUnits&) = delete;
    AlignedUnits& operator=(const AlignedUnits&) = delete;
    char16_t* get() const { return units_; }

private:
    static constexpr std::align_val_t kAlign{64};
    char16_t* units_;
};

// The made-up tables hold the needle only where a case puts it; every other unit shares a
// byte with it, so that a compare of bytes rather than units, or of units taken at an odd
// byte, finds a false match. Five decoys put each at every place in a vector.
constexpr char16_t kNeedle = 0x4E2D;
constexpr char16_t kDecoys[] = {0x2D4E, 0x4E00, 0x002D, 0x2D2D, 0x4E4E};
char16_t decoy(std::size_t at) {
    return kDecoys[at % std::size(kDecoys)];
}
// Units past a 64-byte boundary: every alignment the kernels can meet.
constexpr std::size_t kMaxOffset = 31;
// The widest path reads one vector (32 units), then steps of 128 units from the next
// boundary on: room for two steps after the first vector, and its tail.
constexpr std::size_t kMaxSize = 32 + 2 * 128 + 31;

std::string where(std::size_t offset, std::size_t size) {
    return "offset " + std::to_string(offset) + ", size " + std::to_string(size);
}

class UnitSearchPath : public testing::TestWithParam<Path> {};

TEST_P(UnitSearchPath, AgreesWithAPlainLoop) {
    const unit_search::Kernel find = unit_search::PathKernel(GetParam());
    if (find == nullptr)
        GTEST_SKIP() << unit_search::PathName(GetParam()) << ": not run by this machine";

    // The packaged table, for every unit there is: found ones and missing ones alike.
    const StrokeTable& table = packagedTable();
    ASSERT_FALSE(table.empty());
    static const std::vector<std::ptrdiff_t> tableFirst =
        firstOccurrences(table.data(), table.size());
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        const auto key = static_cast<char16_t>(unit);
        ASSERT_EQ(find(table.data(), table.size(), key), tableFirst[key]) << unitName(key);
    }

    // Made-up tables of every length up to past two of the widest path's steps, at every
    // offset from a cache line, with the needle at every place (a later copy must not win),
    // then only in the unit just past the end, where it must stay unseen. The allocation
    // ends there, so a sanitizer sees any read further on.
    for (std::size_t offset = 0; offset <= kMaxOffset; ++offset) {
        for (std::size_t size = 0; size <= kMaxSize; ++size) {
            const AlignedUnits buffer(offset + size + 1);
            char16_t* data = buffer.get() + offset;
            for (std::size_t at = 0; at <= size; ++at)
                data[at] = decoy(at);
            for (std::size_t hit = 0; hit < size; ++hit) {
                data[hit] = data[hit + 1] = kNeedle;
                ASSERT_EQ(find(data, size, kNeedle), std::ptrdiff_t(hit)) << where(offset, size);
                data[hit] = decoy(hit);
                data[hit + 1] = decoy(hit + 1);
            }
            data[size] = kNeedle;
            ASSERT_EQ(find(data, size, kNeedle), -1) << where(offset, size);
        }
    }
}

// FindCodeUnit takes the widest path this machine runs. Said in the log, so that every
// architecture's package build tells which path its CPU got.
TEST(FindCodeUnitChoice, IsTheWidestPathThisMachineRuns) {
    const Path chosen = unit_search::ChosenPath();
    ASSERT_NE(unit_search::PathKernel(chosen), nullptr) << unit_search::PathName(chosen);
    for (const Path path : unit_search::kPaths) {
        if (path > chosen) {
            EXPECT_EQ(unit_search::PathKernel(path), nullptr) << unit_search::PathName(path);
        }
    }
    std::cout << "FindCodeUnit's path on this machine: " << unit_search::PathName(chosen) << '\n';
}

INSTANTIATE_TEST_SUITE_P(FindCodeUnit, UnitSearchPath, testing::ValuesIn(unit_search::kPaths),
                         [](const auto& info) {
                             std::string name = unit_search::PathName(info.param);
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
