#pragma once

// Turns Form1's layout table into native controls: one child window per control,
// created in tab order, placed and given fonts at the window's DPI, with tool tips.

#include "form_layout.h"

#include <array>

#include <windows.h>

// Control identifiers, 101 upwards in the order of kForm1Controls: 1 and 2 are IDOK and
// IDCANCEL, whose notifications dialog keyboard handling takes for Enter and Escape.
inline constexpr int kFirstControlId = 101;

class FormControls {
public:
    FormControls() = default;
    ~FormControls();
    FormControls(const FormControls&) = delete;
    FormControls& operator=(const FormControls&) = delete;

    // Creates the controls of `controls` as children of `form`, with their tool tips.
    void create(HWND form, HINSTANCE instance);

    // Places the controls and gives them their fonts for `dpi`.
    void layOut(UINT dpi);

    HWND window(const char* name) const;
    // The layout of a control, of its identifier or window; nullptr for others.
    const ControlSpec* layoutOf(int id) const;
    const ControlSpec* layoutOf(HWND control) const;
    HFONT fontOf(const ControlSpec& layout) const;

private:
    static size_t indexOf(const ControlSpec& layout);
    void addToolTips(HWND form, HINSTANCE instance);

    std::array<HWND, kForm1Controls.size()> windows_{}; // in the order of kForm1Controls
    std::array<HFONT, kForm1Controls.size()> fonts_{};
    HWND toolTips_ = nullptr;
};

// Pixels at `dpi` of a rectangle in twips.
RECT toPixels(const TwipsRect& twips, UINT dpi);
