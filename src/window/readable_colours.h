#pragma once

// Text that stays legible on the faces the layout fixes, whatever colours the desktop hands
// out: a dark scheme's light window-text colour would vanish on Text1's white face. The
// measure is WCAG 2's contrast ratio of two colours' relative luminances.

#include "form_layout.h"

// The ratio WCAG asks of ordinary text; below it, ink and face blur together.
inline constexpr double kReadableContrast = 4.5;

// 0 for black to 1 for white, as the eye weighs the sRGB primaries.
double relativeLuminance(Rgb colour);

// (lighter + 0.05) / (darker + 0.05): 1 for equal colours to 21 for black on white.
double contrastRatio(Rgb a, Rgb b);

// `ink` where it stands out from `face`, else black or white, whichever stands out more.
Rgb readableInk(Rgb ink, Rgb face);

// The colours a desktop gives text boxes.
struct DesktopColours {
    Rgb window;                // a box's face
    Rgb windowText;            // its text
    Rgb highlight;             // the face of selected text
    Rgb highlightedText;       // selected text
    bool highContrast = false; // Windows' high-contrast mode: the desktop's colours rule
};

// What a text box draws with.
struct TextBoxColours {
    Rgb face;
    Rgb ink;
    Rgb highlight;
    Rgb highlightedText;
    friend constexpr bool operator==(const TextBoxColours&, const TextBoxColours&) = default;
};

// The colours of a text box whose layout fixes `face`. The desktop's own colours are kept
// wherever its window-text colour stands out from that face. Where it does not (a
// light-on-dark scheme), the box's ink is mended, and so is the selected text's ink if it
// does not stand out from the desktop's highlight. In high-contrast mode the desktop's
// colours replace the face too.
TextBoxColours textBoxColours(Rgb face, const DesktopColours& desktop);
