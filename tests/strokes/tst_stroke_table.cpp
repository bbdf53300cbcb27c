#include "packaged_table_fixture.h"
#include "stroke_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char16_t kFirstIdeograph = 0x4E00;
constexpr char16_t kLastIdeograph = 0x9FA4;
constexpr std::size_t kEntries = kLastIdeograph - kFirstIdeograph + 1;

bool isAsciiDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

int countOf(const StrokeTable& table, std::size_t entry) {
    const char16_t tens = table[entry * 3 + 1];
    const char16_t units = table[entry * 3 + 2];
    return (tens == u' ' ? 0 : (tens - u'0') * 10) + (units - u'0');
}

// FNV-1a (64 bits) over the units as little-endian bytes.
std::uint64_t fingerprint(std::u16string_view units) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char16_t unit : units) {
        for (const unsigned byte : {unit & 0xFFu, unsigned(unit) >> 8}) {
            hash ^= byte;
            hash *= 0x100000001b3;
        }
    }
    return hash;
}

// The shipped table as a whole.

TEST(PackagedTable, HoldsEveryIdeographOnce) {
    const StrokeTable& table = packagedTable();
    ASSERT_EQ(table.size(), 62703u);
    ASSERT_EQ(table.size() / 3, kEntries);
    std::vector<int> seen(kEntries, 0);
    for (std::size_t e = 0; e < kEntries; ++e) {
        const char16_t ideograph = table[e * 3];
        ASSERT_TRUE(ideograph >= kFirstIdeograph && ideograph <= kLastIdeograph)
            << "entry " << e << " holds " << unitName(ideograph);
        ++seen[ideograph - kFirstIdeograph];
    }
    for (std::size_t i = 0; i < kEntries; ++i)
        EXPECT_EQ(seen[i], 1) << unitName(char16_t(kFirstIdeograph + i)) << " occurs " << seen[i]
                              << " times";
    EXPECT_EQ(table.find(u'\x9FA5'), StrokeTable::npos);
}

TEST(PackagedTable, CountFieldsAreRightAlignedWithoutLeadingZero) {
    const StrokeTable& table = packagedTable();
    for (std::size_t e = 0; e < table.size() / 3; ++e) {
        const char16_t tens = table[e * 3 + 1];
        const char16_t units = table[e * 3 + 2];
        const bool oneDigit = tens == u' ' && units >= u'1' && units <= u'9';
        const bool twoDigits = tens >= u'1' && tens <= u'9' && isAsciiDigit(units);
        EXPECT_TRUE(oneDigit || twoDigits)
            << "entry " << e << " has count field " << unitName(tens) << " " << unitName(units);
    }
}

TEST(PackagedTable, GroupsAscendInCodePointOrder) {
    // Inside a group the order is by code point, apart from the pinned entries.
    const std::u16string_view pinned = u"乁丨一龘";
    const StrokeTable& table = packagedTable();
    int group = 0;
    char16_t previous = 0;
    for (std::size_t e = 0; e < table.size() / 3; ++e) {
        const int count = countOf(table, e);
        ASSERT_GE(count, group) << "entry " << e << " breaks the order";
        if (count != group) {
            group = count;
            previous = 0;
        }
        const char16_t ideograph = table[e * 3];
        if (pinned.find(ideograph) != std::u16string_view::npos)
            continue;
        EXPECT_GT(ideograph, previous) << "entry " << e << " is out of code-point order";
        previous = ideograph;
    }
}

// The same value natively and under Wine proves that iconv and MultiByteToWideChar(936)
// decode the packaged bytes to the same units. It was taken from data/stroke-table.gbk
// with a third decoder, Python's: the FNV-1a above over .decode("gbk").encode("utf-16le").
TEST(PackagedTable, DecodesToTheKnownUnits) {
    const StrokeTable& table = packagedTable();
    EXPECT_EQ(table.size(), 62703u);
    EXPECT_EQ(fingerprint(table), 0xe3474c5b96355b2cu);
}

struct PlacedEntry {
    const char* name;
    std::u16string_view entry;
    std::size_t position; // 1-based; 0 for "anywhere"
};

void PrintTo(const PlacedEntry& row, std::ostream* out) {
    *out << row.name;
}

class EntryPlace : public testing::TestWithParam<PlacedEntry> {};

TEST_P(EntryPlace, StandsAtItsPlace) {
    const PlacedEntry& row = GetParam();
    const std::size_t at = packagedTable().find(row.entry);
    ASSERT_NE(at, StrokeTable::npos) << "entry not in the table";
    EXPECT_EQ(at % 3, 0u);
    if (row.position != 0) {
        EXPECT_EQ(at + 1, row.position);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PackagedTable, EntryPlace,
    testing::Values(PlacedEntry{"First", u"乁 1", 1}, PlacedEntry{"Second", u"丨 1", 4},
                    PlacedEntry{"YiEndsTheOneStrokeGroup", u"一 1", 28},
                    PlacedEntry{"Last", u"龘48", 62701}, PlacedEntry{"Yi2", u"乙 1", 0},
                    PlacedEntry{"Ren", u"人 2", 0}, PlacedEntry{"Da", u"大 3", 0},
                    PlacedEntry{"Zhong", u"中 4", 0}, PlacedEntry{"Zi", u"字 6", 0},
                    PlacedEntry{"Hua", u"划 6", 0}, PlacedEntry{"Ni", u"你 7", 0},
                    PlacedEntry{"Guo", u"国 8", 0}, PlacedEntry{"HuaPicture", u"画 8", 0},
                    PlacedEntry{"Bi", u"笔10", 0}, PlacedEntry{"Shu", u"書10", 0},
                    PlacedEntry{"GuoTraditional", u"國11", 0},
                    PlacedEntry{"BiTraditional", u"筆12", 0}, PlacedEntry{"ShuNumber", u"数13", 0},
                    PlacedEntry{"Ai", u"愛13", 0}, PlacedEntry{"ShuNumberTraditional", u"數15", 0},
                    PlacedEntry{"Long", u"龍16", 0}, PlacedEntry{"Xue", u"學16", 0},
                    PlacedEntry{"Ti", u"體22", 0}, PlacedEntry{"Xian", u"鱻33", 0},
                    PlacedEntry{"Ta", u"龖32", 0}, PlacedEntry{"Nang", u"齉36", 0},
                    PlacedEntry{"Bing", u"靐39", 0}),
    [](const testing::TestParamInfo<PlacedEntry>& info) { return std::string(info.param.name); });

// The decoder on hand-made tables.

struct WellFormedTable {
    const char* name;
    std::string_view gbk;
    std::u16string_view decoded;
};

void PrintTo(const WellFormedTable& row, std::ostream* out) {
    *out << row.name;
}

class WellFormed : public testing::TestWithParam<WellFormedTable> {};

TEST_P(WellFormed, Decodes) {
    EXPECT_EQ(DecodeStrokeTable(GetParam().gbk), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(DecodeStrokeTable, WellFormed,
                         testing::Values(WellFormedTable{"OneEntry", "\xd7\xd6 6", u"字 6"},
                                         WellFormedTable{"TwoEntries",
                                                         "\xd7\xd6 6\xb1\xca"
                                                         "10",
                                                         u"字 6笔10"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MalformedTable {
    const char* name;
    std::string_view gbk;
    const char* complaint;
};

void PrintTo(const MalformedTable& row, std::ostream* out) {
    *out << row.name;
}

class Malformed : public testing::TestWithParam<MalformedTable> {};

TEST_P(Malformed, IsRejectedWithTheReason) {
    const MalformedTable& row = GetParam();
    try {
        DecodeStrokeTable(row.gbk);
        FAIL() << "a malformed table was accepted";
    } catch (const StrokeTableError& error) {
        EXPECT_NE(std::string_view(error.what()).find(row.complaint), std::string_view::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    DecodeStrokeTable, Malformed,
    testing::Values(MalformedTable{"Empty", "", "whole entries"},
                    MalformedTable{"LeadByteCutOff", "\xd7\xd6 6\xb1", "not valid GBK"},
                    MalformedTable{"BadTrailByte", "\x81\x20 6", "not valid GBK"},
                    MalformedTable{"ShortEntry",
                                   "\xd7\xd6"
                                   "6",
                                   "whole entries"},
                    MalformedTable{"LetterInCount", "\xd7\xd6 x", "Entry 1"},
                    MalformedTable{"DigitAsKey", "1 6\xd7\xd6 6", "Entry 1"},
                    MalformedTable{"SecondEntryBad", "\xd7\xd6 6\xb1\xcax1", "Entry 2"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
