#pragma once

// Text between the portable core (UTF-16 as char16_t) and the wide
// Win32 API, whose wchar_t is a UTF-16 code unit as well.

#include <string>
#include <string_view>

#include <windows.h>

std::wstring toWide(std::u16string_view text);

// The whole text of a window or control, as the core reads it.
std::u16string windowText(HWND window);
