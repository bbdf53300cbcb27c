#include "readable_colours.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};

// An sRGB channel made linear.
double linear(std::uint8_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

bool standsOut(Rgb ink, Rgb face) {
    return contrastRatio(ink, face) >= kReadableContrast;
}

} // namespace

double relativeLuminance(Rgb colour) {
    return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) +
           0.0722 * linear(colour.blue);
}

double contrastRatio(Rgb a, Rgb b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb readableInk(Rgb ink, Rgb face) {
    if (standsOut(ink, face))
        return ink;
    return contrastRatio(kBlack, face) >= contrastRatio(kWhite, face) ? kBlack : kWhite;
}

TextBoxColours textBoxColours(Rgb face, const DesktopColours& desktop) {
    if (desktop.highContrast)
        return {desktop.window, desktop.windowText, desktop.highlight, desktop.highlightedText};
    // The desktop's selection is left as it is wherever its text colour suits the face:
    // on a light desktop nothing changes.
    if (standsOut(desktop.windowText, face))
        return {face, desktop.windowText, desktop.highlight, desktop.highlightedText};
    return {face, readableInk(desktop.windowText, face), desktop.highlight,
            readableInk(desktop.highlightedText, desktop.highlight)};
}
