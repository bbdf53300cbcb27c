#include "form_builder.h"

#include "centred_line.h"
#include "fonts.h"
#include "win32_text.h"

#include <commctrl.h>
#include <cstring>

namespace {

struct NativeKind {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle;
};

NativeKind nativeKind(const ControlSpec& layout) {
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD align = layout.alignment == TextAlign::Centre ? ES_CENTER : ES_LEFT;
    switch (layout.kind) {
    case ControlKind::InputBox:
        return {L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL | align, WS_EX_CLIENTEDGE};
    case ControlKind::ResultBox:
        // Read-only, yet it takes the focus and lets its text be selected and copied.
        return {L"EDIT", child | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY | align,
                WS_EX_CLIENTEDGE};
    case ControlKind::PictureButton:
    case ControlKind::PictureToggle:
        // Drawn by the window from the pictures; a toggle's value lives in the window.
        return {L"BUTTON", child | WS_TABSTOP | BS_OWNERDRAW, 0};
    case ControlKind::LinkLabel:
        // Drawn by the window over its background: SS_NOTIFY gives the clicks.
        return {L"STATIC", child | SS_OWNERDRAW | SS_NOTIFY, 0};
    }
    return {L"STATIC", child, 0};
}

} // namespace

RECT toPixels(const TwipsRect& twips, UINT dpi) {
    const int d = static_cast<int>(dpi);
    const int left = twipsToPixels(twips.left, d);
    const int top = twipsToPixels(twips.top, d);
    return {left, top, left + twipsToPixels(twips.width, d), top + twipsToPixels(twips.height, d)};
}

FormControls::~FormControls() {
    for (HFONT font : fonts_) {
        if (font)
            DeleteObject(font);
    }
    if (toolTipFont_)
        DeleteObject(toolTipFont_);
}

size_t FormControls::indexOf(const ControlSpec& layout) {
    return static_cast<size_t>(&layout - kForm1Controls.data());
}

void FormControls::create(HWND form, HINSTANCE instance) {
    // Creation order is the order of the focus under Tab.
    for (const ControlSpec* layout : inTabOrder(kForm1Controls)) {
        const NativeKind kind = nativeKind(*layout);
        const size_t index = indexOf(*layout);
        const std::wstring caption = toWide(layout->caption);
        windows_[index] = CreateWindowExW(
            kind.exStyle, kind.windowClass, caption.c_str(), kind.style, 0, 0, 0, 0, form,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)), instance,
            nullptr);
        if (isTextBox(layout->kind)) {
            // A single-line EDIT silently stops at 30,000 characters unless told.
            SendMessageW(windows_[index], EM_SETLIMITTEXT, 0, 0);
            centreLineVertically(windows_[index]);
        }
    }
    addToolTips(form, instance);
}

void FormControls::addToolTips(HWND form, HINSTANCE instance) {
    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form,
                                nullptr, instance, nullptr);
    if (!toolTips_)
        return;
    for (size_t i = 0; i < kForm1Controls.size(); ++i) {
        std::wstring text = toWide(kForm1Controls[i].toolTip);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = form;
        tool.uId = reinterpret_cast<UINT_PTR>(windows_[i]);
        tool.lpszText = text.data(); // copied by the tool tip control
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void FormControls::layOut(UINT dpi) {
    for (size_t i = 0; i < kForm1Controls.size(); ++i) {
        const ControlSpec& layout = kForm1Controls[i];
        const RECT place = toPixels(layout.twips, dpi);
        SetWindowPos(windows_[i], nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        HFONT previous = fonts_[i];
        fonts_[i] = createFont(layout.font, dpi);
        SendMessageW(windows_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i]), TRUE);
        if (previous)
            DeleteObject(previous);
    }
    // The tips are Chinese, whatever the desktop's language.
    HFONT previousTipFont = toolTipFont_;
    toolTipFont_ = createToolTipFont(kGb2312Charset, dpi);
    if (toolTips_)
        SendMessageW(toolTips_, WM_SETFONT, reinterpret_cast<WPARAM>(toolTipFont_), TRUE);
    if (previousTipFont)
        DeleteObject(previousTipFont);
}

HWND FormControls::window(const char* name) const {
    for (size_t i = 0; i < kForm1Controls.size(); ++i) {
        if (std::strcmp(kForm1Controls[i].name, name) == 0)
            return windows_[i];
    }
    return nullptr;
}

const ControlSpec* FormControls::layoutOf(int id) const {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(kForm1Controls.size()))
        return nullptr;
    return &kForm1Controls[static_cast<size_t>(index)];
}

const ControlSpec* FormControls::layoutOf(HWND control) const {
    for (size_t i = 0; i < windows_.size(); ++i) {
        if (control && windows_[i] == control)
            return &kForm1Controls[i];
    }
    return nullptr;
}

HFONT FormControls::fontOf(const ControlSpec& layout) const {
    return fonts_[indexOf(layout)];
}
