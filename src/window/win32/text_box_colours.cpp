#include "text_box_colours.h"

#include "readable_colours.h"

namespace {

Rgb systemColour(int index) {
    const COLORREF colour = GetSysColor(index);
    return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

bool highContrastOn() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof(highContrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(highContrast), &highContrast, 0) &&
           (highContrast.dwFlags & HCF_HIGHCONTRASTON);
}

} // namespace

HBRUSH colourTextBox(HDC dc, Rgb face, HBRUSH faceBrush) {
    const DesktopColours desktop{systemColour(COLOR_WINDOW), systemColour(COLOR_WINDOWTEXT),
                                 systemColour(COLOR_HIGHLIGHT), systemColour(COLOR_HIGHLIGHTTEXT),
                                 highContrastOn()};
    const TextBoxColours colours = textBoxColours(face, desktop);
    SetBkColor(dc, toColorRef(colours.face));
    SetTextColor(dc, toColorRef(colours.ink));
    return desktop.highContrast ? GetSysColorBrush(COLOR_WINDOW) : faceBrush;
}
