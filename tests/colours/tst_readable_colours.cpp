#include "readable_colours.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kText1Face = kWhite;
constexpr Rgb kText2Face{0xE0, 0xE0, 0xE0};

struct ContrastCase {
    const char* name;
    Rgb a, b;
    double ratio;
};

void PrintTo(const ContrastCase& row, std::ostream* out) {
    *out << row.name;
}

class Contrast : public testing::TestWithParam<ContrastCase> {};

TEST_P(Contrast, IsWcagsRatio) {
    const ContrastCase& row = GetParam();
    EXPECT_NEAR(contrastRatio(row.a, row.b), row.ratio, 0.005);
    EXPECT_NEAR(contrastRatio(row.b, row.a), row.ratio, 0.005);
}

// Ratios as WCAG's own examples and contrast checkers give them.
INSTANTIATE_TEST_SUITE_P(
    ContrastRatio, Contrast,
    testing::Values(ContrastCase{"BlackOnWhite", kBlack, kWhite, 21.0},
                    ContrastCase{"Same", Rgb{0x12, 0x60, 0x8A}, Rgb{0x12, 0x60, 0x8A}, 1.0},
                    ContrastCase{"Grey76JustPasses", Rgb{0x76, 0x76, 0x76}, kWhite, 4.54},
                    ContrastCase{"Grey77JustFails", Rgb{0x77, 0x77, 0x77}, kWhite, 4.48},
                    ContrastCase{"PureRed", Rgb{0xFF, 0, 0}, kWhite, 4.0},
                    ContrastCase{"PureGreen", Rgb{0, 0xFF, 0}, kBlack, 15.3},
                    ContrastCase{"PureBlue", Rgb{0, 0, 0xFF}, kWhite, 8.59},
                    ContrastCase{"WhiteOnText2", kWhite, kText2Face, 1.32}));

// Desktops as their colour schemes hand text boxes their colours.
constexpr DesktopColours kQtDefault{kWhite, kBlack, {0x30, 0x8C, 0xC6}, kWhite};
constexpr DesktopColours kWindows10{kWhite, kBlack, {0x00, 0x78, 0xD7}, kWhite};
constexpr DesktopColours kQt6ctDarker{
    {0x3D, 0x3D, 0x3D}, kWhite, {0x12, 0x60, 0x8A}, {0xF9, 0xF9, 0xF9}};
constexpr DesktopColours kBreezeDark{
    {0x1B, 0x1E, 0x20}, {0xFC, 0xFC, 0xFC}, {0x3D, 0xAE, 0xE9}, {0xFC, 0xFC, 0xFC}};
constexpr DesktopColours kWineLightOnDark{kBlack, kWhite, {0x30, 0x96, 0xFA}, kWhite};
constexpr DesktopColours kMidGreyText{kWhite, {0x76, 0x76, 0x76}, {0x30, 0x8C, 0xC6}, kWhite};
constexpr DesktopColours kHighContrastBlack{
    kBlack, kWhite, {0x1A, 0xEB, 0xFF}, kBlack, /*highContrast=*/true};

struct BoxCase {
    const char* name;
    Rgb face;
    DesktopColours desktop;
    TextBoxColours expected;
};

void PrintTo(const BoxCase& row, std::ostream* out) {
    *out << row.name;
}

class TextBox : public testing::TestWithParam<BoxCase> {};

TEST_P(TextBox, DrawsLegibly) {
    const BoxCase& row = GetParam();
    const TextBoxColours colours = textBoxColours(row.face, row.desktop);
    EXPECT_EQ(colours, row.expected);
    EXPECT_GE(contrastRatio(colours.ink, colours.face), kReadableContrast);
}

INSTANTIATE_TEST_SUITE_P(
    TextBoxColours, TextBox,
    testing::Values(
        // A light desktop keeps its colours, even a selection below the line.
        BoxCase{"QtDefaultText1",
                kText1Face,
                kQtDefault,
                {kText1Face, kBlack, kQtDefault.highlight, kWhite}},
        BoxCase{"QtDefaultText2",
                kText2Face,
                kQtDefault,
                {kText2Face, kBlack, kQtDefault.highlight, kWhite}},
        BoxCase{"Windows10Text1",
                kText1Face,
                kWindows10,
                {kText1Face, kBlack, kWindows10.highlight, kWhite}},
        // Light ink on the light faces turns black; a readable selection stays.
        BoxCase{"DarkerText1",
                kText1Face,
                kQt6ctDarker,
                {kText1Face, kBlack, kQt6ctDarker.highlight, kQt6ctDarker.highlightedText}},
        BoxCase{"DarkerText2",
                kText2Face,
                kQt6ctDarker,
                {kText2Face, kBlack, kQt6ctDarker.highlight, kQt6ctDarker.highlightedText}},
        // With the ink, selected text that does not stand out turns black: Breeze Dark's
        // near-white on its light blue (2.4:1), Wine's white on its blue (3.1:1).
        BoxCase{"WineLightOnDarkText2",
                kText2Face,
                kWineLightOnDark,
                {kText2Face, kBlack, kWineLightOnDark.highlight, kBlack}},
        BoxCase{"BreezeDarkText1",
                kText1Face,
                kBreezeDark,
                {kText1Face, kBlack, kBreezeDark.highlight, kBlack}},
        // Mid grey passes on white but not on E0E0E0, where the selection is mended too.
        BoxCase{"MidGreyText1",
                kText1Face,
                kMidGreyText,
                {kText1Face, kMidGreyText.windowText, kMidGreyText.highlight, kWhite}},
        BoxCase{"MidGreyText2",
                kText2Face,
                kMidGreyText,
                {kText2Face, kBlack, kMidGreyText.highlight, kBlack}},
        // Dark ink on a dark face turns white.
        BoxCase{"DarkFace",
                Rgb{0x20, 0x20, 0x40},
                kQtDefault,
                {Rgb{0x20, 0x20, 0x40}, kWhite, kQtDefault.highlight, kBlack}},
        // High contrast: the desktop's colours, face included.
        BoxCase{"HighContrastText2",
                kText2Face,
                kHighContrastBlack,
                {kBlack, kWhite, kHighContrastBlack.highlight, kBlack}}));

} // namespace
