#pragma once

// The text boxes' colours as Windows' colour settings stand now, by the legibility rule:
// the layout's fixed face with ink that stands out from it, or in high-contrast mode the
// system's window colours, as Windows asks of every program.

#include "form_layout.h"

#include <windows.h>

inline COLORREF toColorRef(Rgb colour) {
    return RGB(colour.red, colour.green, colour.blue);
}

// Sets `dc` up for a text box whose layout fixes `face`, painted with `faceBrush`, and
// returns the brush that paints its face: the answer to WM_CTLCOLOREDIT and
// WM_CTLCOLORSTATIC. The selection keeps the system's colours, with which the box draws it.
HBRUSH colourTextBox(HDC dc, Rgb face, HBRUSH faceBrush);
