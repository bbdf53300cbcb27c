#include "win32_text.h"

std::wstring toWide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

std::u16string windowText(HWND window) {
    // The length is an upper bound (it may count a DBCS text twice); the copy says how
    // much there is.
    std::u16string text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, u'\0');
    const int copied = GetWindowTextW(window, reinterpret_cast<LPWSTR>(text.data()),
                                      static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}
