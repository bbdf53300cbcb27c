#include "gbk_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

// The GBK converter on its own: iconv on Linux, MultiByteToWideChar(936) on Windows. Both
// must give the same units and refuse the same bytes, or one platform would accept a
// table that the other refuses.
namespace {

struct GbkText {
    const char* name;
    std::string_view gbk;
    std::u16string_view text;
};

void PrintTo(const GbkText& row, std::ostream* out) {
    *out << row.name;
}

class ValidGbk : public testing::TestWithParam<GbkText> {};

TEST_P(ValidGbk, DecodesToTheSameUnits) {
    const std::optional<std::u16string> text = DecodeGbk(GetParam().gbk);
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, GetParam().text);
}

constexpr char16_t kDelete[] = {0x7F};

INSTANTIATE_TEST_SUITE_P(
    DecodeGbk, ValidGbk,
    testing::Values(GbkText{"Empty", "", u""}, GbkText{"Ascii", "az AZ 09:", u"az AZ 09:"},
                    GbkText{"Delete", "\x7f", std::u16string_view(kDelete, 1)},
                    // Code page 936's one single-byte addition, which glibc's GBK has too.
                    GbkText{"Euro", "\x80", u"€"}, GbkText{"Zi", "\xd7\xd6", u"字"},
                    GbkText{"FirstIdeograph", "\xd2\xbb", u"一"},
                    GbkText{"LastTableIdeograph", "\xfd\x9a", u"\u9FA4"},
                    GbkText{"FirstDoubleByteCode", "\x81\x40", u"丂"},
                    GbkText{"FullWidthSpace", "\xa1\xa1", u"\u3000"},
                    GbkText{"FullWidthDigit", "\xa3\xb0", u"０"},
                    GbkText{"IdeographsAndCounts",
                            "\xd7\xd6 6\xb1\xca"
                            "10",
                            u"字 6笔10"}),
    [](const auto& info) { return std::string(info.param.name); });

struct InvalidGbk {
    const char* name;
    std::string_view gbk;
};

void PrintTo(const InvalidGbk& row, std::ostream* out) {
    *out << row.name;
}

class Invalid : public testing::TestWithParam<InvalidGbk> {};

TEST_P(Invalid, IsRefused) {
    const std::optional<std::u16string> text = DecodeGbk(GetParam().gbk);
    EXPECT_FALSE(text.has_value()) << "decoded to " << testing::PrintToString(*text);
}

INSTANTIATE_TEST_SUITE_P(
    DecodeGbk, Invalid,
    testing::Values(InvalidGbk{"LoneLeadByte", "\xd7"},
                    InvalidGbk{"LeadByteAfterACharacter", "\xd7\xd6\xd7"},
                    InvalidGbk{"LeadByteBeforeNul", std::string_view("\xd7\0", 2)},
                    InvalidGbk{"LeadByteBeforeSpace", "\x81\x20"},
                    InvalidGbk{"LeadByteBeforeDelete", "\x81\x7f"},
                    InvalidGbk{"LeadByteBeforeFF", "\x81\xff"}, InvalidGbk{"ByteFF", "\xff"},
                    InvalidGbk{"ByteFFInText", "\xd7\xd6\xff 6"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
