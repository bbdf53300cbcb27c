#pragma once

// Form1 described once, as plain data that each front end's builder turns into its own
// controls. Nothing here names a toolkit type.

#include <array>
#include <cstdint>
#include <optional>

// Geometry is kept in twips (1/1440 inch); at 96 dpi 15 twips make one pixel.
inline constexpr int kTwipsPerInch = 1440;

struct TwipsRect {
    int left, top, width, height;
};

struct TwipsSize {
    int width, height;
};

// Twips to pixels at `dpi` dots per inch, rounded to the nearest pixel.
constexpr int twipsToPixels(int twips, int dpi = 96) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

struct Rgb {
    std::uint8_t red, green, blue;
    friend constexpr bool operator==(Rgb, Rgb) = default;
};

// The author's web address: the caption of Label1 and the page its click opens.
inline constexpr char16_t kAuthorAddress[] = u"https://example.org/quorvel/";

enum class ControlKind {
    InputBox,      // editable single-line text box
    ResultBox,     // read-only single-line text box that still takes the focus
    PictureButton, // push button drawn from normal, down and disabled pictures
    PictureToggle, // push button that stays down while on, drawn from up and down pictures
    LinkLabel,     // one-line clickable label
};

// Text1 and Text2: boxes whose text can be selected and copied.
constexpr bool isTextBox(ControlKind kind) {
    return kind == ControlKind::InputBox || kind == ControlKind::ResultBox;
}

// Text boxes centre their line vertically; the label draws it from its top-left corner.
enum class TextAlign { Left, Centre };

inline constexpr int kGb2312Charset = 134; // the simplified-Chinese character set

struct FontSpec {
    const char16_t* face;
    double points;
    int weight; // 400 regular, 700 bold
    bool underline;
    int charset;
};

// The character height in pixels at `dpi`: points × dpi / 72, rounded.
constexpr int fontPixelHeight(const FontSpec& font, int dpi = 96) {
    return static_cast<int>(font.points * dpi / 72 + 0.5);
}

// File names in assets/ of a control's pictures; "normal" is the up picture of a toggle.
// Each has a sibling "name@2x.ext" drawn at twice the size.
struct PictureSet {
    const char* normal = nullptr;
    const char* down = nullptr;
    const char* disabled = nullptr;
};

struct ControlSpec {
    const char* name;
    ControlKind kind;
    TwipsRect twips;
    std::optional<Rgb> face; // none: transparent, the window shows through
    std::optional<Rgb> text; // none: the desktop's window-text colour
    FontSpec font;
    TextAlign alignment;
    const char16_t* caption;
    const char16_t* toolTip;
    const char16_t* accessibleName;
    PictureSet pictures;
    const char* cursor; // cursor picture shown over the control, or nullptr
    int tabIndex;
    bool isDefault; // the button Enter presses
};

struct FormSpec {
    const char* name;
    const char16_t* caption;
    TwipsSize clientTwips;
    Rgb background;
    const char* backgroundPicture;
    const char* icon;
};

extern const FormSpec kForm1;
extern const std::array<ControlSpec, 6> kForm1Controls;

// The controls in tab order.
std::array<const ControlSpec*, 6> inTabOrder(const std::array<ControlSpec, 6>& controls);
