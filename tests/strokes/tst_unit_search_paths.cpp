// Every kernel behind FindCodeUnit against a plain loop, each on its own, whichever one
// this machine would choose.
#include "packaged_table_fixture.h"
#include "unit_search_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
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

// Needle and filler of the made-up tables. Those sharing a byte catch a compare of bytes
// rather than units, or of units taken at an odd byte.
struct UnitPair {
    char16_t needle;
    char16_t filler;
};
constexpr UnitPair kPairs[] = {{u'y', u'x'}, {0x4E2D, 0x2D4E}, {0x4E2D, 0x4E00}, {0xFFFF, 0x00FF}};
constexpr std::size_t kMaxOffset = 63; // units past the 64-byte boundary
constexpr std::size_t kMaxSize = 130;  // past two vectors of the widest path and its unrolled step

std::string where(std::size_t offset, std::size_t size, const UnitPair& pair) {
    return "offset " + std::to_string(offset) + ", size " + std::to_string(size) + ", needle " +
           unitName(pair.needle) + ", filler " + unitName(pair.filler);
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

    // Made-up tables of every length up to past the widest unrolled step, at every offset
    // from a cache line, with the needle at every place (a later copy must not win), then
    // only just past the end, where it must stay unseen.
    for (const UnitPair& pair : kPairs) {
        for (std::size_t offset = 0; offset <= kMaxOffset; ++offset) {
            for (std::size_t size = 0; size <= kMaxSize; ++size) {
                const AlignedUnits buffer(offset + size + 1);
                char16_t* data = buffer.get() + offset;
                std::fill(data, data + size + 1, pair.filler);
                for (std::size_t hit = 0; hit < size; ++hit) {
                    data[hit] = pair.needle;
                    data[hit + 1] = pair.needle;
                    ASSERT_EQ(find(data, size, pair.needle), std::ptrdiff_t(hit))
                        << where(offset, size, pair);
                    data[hit] = data[hit + 1] = pair.filler;
                }
                data[size] = pair.needle;
                ASSERT_EQ(find(data, size, pair.needle), -1) << where(offset, size, pair);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FindCodeUnit, UnitSearchPath, testing::ValuesIn(unit_search::kPaths),
                         [](const auto& info) {
                             std::string name = unit_search::PathName(info.param);
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
