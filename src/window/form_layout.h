#pragma once

#include <QFontDatabase>
#include <QRect>
#include <QRgb>
#include <QSize>

#include <array>
#include <optional>

class QWidget;

// Geometry is kept in twips (1/1440 inch); at 96 dpi, which is Qt's logical pixel,
// 15 twips make one pixel.
inline constexpr int kTwipsPerPixel = 15;
constexpr int twipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}
constexpr QRect twipsToPixels(QRect twips) {
    return {twipsToPixels(twips.x()), twipsToPixels(twips.y()), twipsToPixels(twips.width()),
            twipsToPixels(twips.height())};
}

// The author's web address: the caption of Label1 and the page its click opens.
inline constexpr char16_t kAuthorAddress[] = u"https://example.org/quorvel/";

enum class ControlKind {
    InputBox,      // editable single-line text box
    ResultBox,     // read-only single-line text box that still takes the focus
    PictureButton, // push button drawn from normal, down and disabled pictures
    PictureToggle, // push button that stays down while on, drawn from up and down pictures
    LinkLabel,     // one-line clickable label
};

struct FontSpec {
    const char16_t* face;
    qreal points;
    int weight; // QFont::Weight: 400 regular, 700 bold
    bool underline;
    QFontDatabase::WritingSystem script; // GB2312 character set
};

// Resource paths of a control's pictures; "normal" is the up picture of a toggle.
struct PictureSet {
    const char* normal = nullptr;
    const char* down = nullptr;
    const char* disabled = nullptr;
};

struct ControlSpec {
    const char* name;
    ControlKind kind;
    QRect twips;
    std::optional<QRgb> face; // none: transparent, the window shows through
    std::optional<QRgb> text; // none: the desktop's window-text colour
    FontSpec font;
    Qt::Alignment alignment;
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
    QSize clientTwips;
    QRgb background;
    const char* backgroundPicture;
    const char* icon;
};

extern const FormSpec kForm1;
extern const std::array<ControlSpec, 6> kForm1Controls;

// Where neither the wanted face nor a substitute of it is installed, makes any installed
// face of its character set stand in: nearer than the desktop's default, which may lack
// the ideographs.
void addLastResortFace(const FontSpec& wanted);

// Gives `form` the settings of `window` and creates its controls, named after their
// descriptions, with tab order, fonts, colours, pictures and tool tips.
void buildForm(QWidget* form, const FormSpec& window, const std::array<ControlSpec, 6>& controls);
