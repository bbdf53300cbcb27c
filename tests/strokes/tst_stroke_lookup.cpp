#include "packaged_table_fixture.h"
#include "stroke_lookup.h"
#include "unit_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct LookupCase {
    const char* name;
    std::u16string_view input;
    LookupOutcome::Kind kind;
    std::u16string_view result;
};

void PrintTo(const LookupCase& row, std::ostream* out) {
    *out << row.name;
}

class Lookup : public testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, GivesTheOutcome) {
    const LookupCase& row = GetParam();
    const LookupOutcome outcome = LookupStrokes(packagedTable(), row.input);
    EXPECT_EQ(outcome.kind, row.kind);
    EXPECT_EQ(outcome.resultText, row.result);
}

constexpr auto kSkipped = LookupOutcome::Skipped;
constexpr auto kNotFound = LookupOutcome::NotFound;
constexpr auto kFound = LookupOutcome::Found;
constexpr char16_t kLoneLowSurrogate[] = {0xDC00};
constexpr char16_t kNul[] = {0};

INSTANTIATE_TEST_SUITE_P(
    LookupStrokes, Lookup,
    testing::Values(
        LookupCase{"Empty", u"", kSkipped, u""}, LookupCase{"SpaceFirst", u" 字", kSkipped, u""},
        LookupCase{"DigitFirst", u"5字", kSkipped, u""}, LookupCase{"Digit0", u"0", kSkipped, u""},
        LookupCase{"Digit9", u"9", kSkipped, u""}, LookupCase{"Zi", u"字", kFound, u"字:6划"},
        LookupCase{"ZiThenLetter", u"字a", kFound, u"字:6划"},
        LookupCase{"ZiTwice", u"字字", kFound, u"字:6划"},
        LookupCase{"ZiThenSpace", u"字 ", kFound, u"字:6划"},
        LookupCase{"ZhongGuo", u"中国", kFound, u"中:4划"},
        LookupCase{"Long", u"龍", kFound, u"龍:16划"}, LookupCase{"Shu", u"書", kFound, u"書:10划"},
        LookupCase{"BiTraditional", u"筆", kFound, u"筆:12划"},
        LookupCase{"BiSimplified", u"笔", kFound, u"笔:10划"},
        LookupCase{"Bing", u"靐", kFound, u"靐:39划"},
        LookupCase{"ShuAtPosition4", u"丨", kFound, u"丨:1划"},
        LookupCase{"Yi", u"一", kFound, u"一:1划"},
        LookupCase{"FirstEntry", u"乁", kFound, u"乁:1划"},
        LookupCase{"LastEntry", u"龘", kFound, u"龘:48划"},
        LookupCase{"LetterA", u"a", kNotFound, u""}, LookupCase{"CapitalA", u"A", kNotFound, u""},
        LookupCase{"Colon", u":", kNotFound, u""},
        LookupCase{"FullWidthComma", u"，", kNotFound, u""},
        LookupCase{"Kana", u"か", kNotFound, u""}, LookupCase{"Hangul", u"한", kNotFound, u""},
        LookupCase{"U9FA5", u"龥", kNotFound, u""},
        LookupCase{"OutsideTheBmp", u"𠀀", kNotFound, u""},
        LookupCase{"LoneLowSurrogate", std::u16string_view(kLoneLowSurrogate, 1), kNotFound, u""},
        LookupCase{"Nul", std::u16string_view(kNul, 1), kNotFound, u""},
        // Full-width digits are not numeric here: the table lacks them, so they go.
        LookupCase{"FullWidth0", u"０", kNotFound, u""},
        LookupCase{"FullWidth9", u"９", kNotFound, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LookupStrokes, EveryEntryFindsItsOwnCount) {
    const StrokeTable& table = packagedTable();
    ASSERT_FALSE(table.empty());
    for (std::size_t at = 0; at < table.size(); at += 3) {
        std::u16string expected(1, table[at]);
        expected += u':';
        if (table[at + 1] != u' ')
            expected += table[at + 1];
        expected += table[at + 2];
        expected += u'划';
        const LookupOutcome outcome =
            LookupStrokes(table, std::u16string_view(table).substr(at, 1));
        ASSERT_EQ(outcome.kind, LookupOutcome::Found) << unitName(table[at]);
        ASSERT_EQ(outcome.resultText, expected) << unitName(table[at]);
    }
}

// Tables that the loader would refuse must still never be read past their end.
struct TruncatedTable {
    const char* name;
    std::u16string_view units;
    std::u16string_view result;
};

void PrintTo(const TruncatedTable& row, std::ostream* out) {
    *out << row.name;
}

class Truncated : public testing::TestWithParam<TruncatedTable> {};

TEST_P(Truncated, StaysInBounds) {
    const TruncatedTable& row = GetParam();
    const StrokeTable table(row.units);
    EXPECT_EQ(LookupStrokes(table, u"笔").resultText, row.result);
    // A string has room (its terminator at least) past its end, where a sanitizer sees no
    // overrun; a heap buffer of exactly the table's size lets it catch the scan's reads.
    const auto exact = std::make_unique<char16_t[]>(row.units.size());
    std::copy(row.units.begin(), row.units.end(), exact.get());
    EXPECT_EQ(FindCodeUnit(exact.get(), row.units.size(), u'笔'),
              std::ptrdiff_t(row.units.find(u'笔')));
}

INSTANTIATE_TEST_SUITE_P(LookupStrokes, Truncated,
                         testing::Values(TruncatedTable{"KeyIsTheLastUnit", u"字 6笔", u"笔:划"},
                                         TruncatedTable{"OneCountUnitLeft", u"字 6笔1", u"笔:1划"},
                                         TruncatedTable{"KeyInACountField", u"字笔6", u"笔:6划"}),
                         [](const auto& info) { return std::string(info.param.name); });

// The vectorised scan has block, tail and misaligned paths: try a hit at every place.
TEST(FindCodeUnit, MatchesPlainSearchAtEveryPlaceAndAlignment) {
    std::vector<char16_t> storage(130, u'x');
    for (std::size_t offset = 0; offset < 2; ++offset) {
        for (std::size_t size = 0; size < 100; ++size) {
            const char16_t* data = storage.data() + offset;
            ASSERT_EQ(FindCodeUnit(data, size, u'y'), -1) << "size " << size;
            for (std::size_t hit = 0; hit < size; ++hit) {
                storage[offset + hit] = u'y';
                if (hit + 1 < size)
                    storage[offset + hit + 1] = u'y'; // a later hit must not win
                ASSERT_EQ(FindCodeUnit(data, size, u'y'), std::ptrdiff_t(hit))
                    << "offset " << offset << ", size " << size;
                storage[offset + hit] = storage[offset + hit + 1] = u'x';
            }
            // A hit just past the end must stay unseen.
            storage[offset + size] = u'y';
            ASSERT_EQ(FindCodeUnit(data, size, u'y'), -1)
                << "offset " << offset << ", size " << size;
            storage[offset + size] = u'x';
        }
    }
}

} // namespace
