// Linked into a test build of quorvel.exe. Once the window is up, it tells the window that
// it has come to its monitor from one of 96 dpi, the way Windows does as QUORVEL_DPI_CHANGE
// names it, then prints the client area the window has taken:
//   whole-window  Windows 8.1 and 10 before 1703: WM_DPICHANGED alone, suggesting the whole
//                 window of 96 dpi scaled, frame included
//   asked-size    Windows 10 1703 and later: WM_GETDPISCALEDSIZE first, then WM_DPICHANGED
//                 suggesting the size the window answered
// Wine gives every monitor the one DPI of the prefix, which is therefore the new DPI. An
// unknown change ends the program at once with status 3.
#include "dpi.h"
#include "form_layout.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool askSizeFirst = false;

// Where Windows 8.1 would put the window: its place, at its size on the old monitor
// scaled as a whole to the new DPI.
RECT scaledFromDefaultDpi(HWND form, UINT dpi) {
    const SIZE client{twipsToPixels(kForm1.clientTwips.width, kDefaultDpi),
                      twipsToPixels(kForm1.clientTwips.height, kDefaultDpi)};
    const SIZE before =
        windowSizeForClient(client, static_cast<DWORD>(GetWindowLongW(form, GWL_STYLE)),
                            static_cast<DWORD>(GetWindowLongW(form, GWL_EXSTYLE)), kDefaultDpi);
    RECT place{};
    GetWindowRect(form, &place);
    const int scale = static_cast<int>(dpi);
    return {place.left, place.top, place.left + MulDiv(before.cx, scale, kDefaultDpi),
            place.top + MulDiv(before.cy, scale, kDefaultDpi)};
}

void announceDpiChange(HWND form) {
    const UINT dpi = dpiOfWindow(form);
    RECT suggested = scaledFromDefaultDpi(form, dpi);
    if (askSizeFirst) {
        SIZE size{suggested.right - suggested.left, suggested.bottom - suggested.top};
        if (SendMessageW(form, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size))) {
            suggested.right = suggested.left + size.cx;
            suggested.bottom = suggested.top + size.cy;
        }
    }
    std::printf("suggested window %ldx%ld at %u dpi\n", suggested.right - suggested.left,
                suggested.bottom - suggested.top, dpi);
    SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    GetClientRect(form, &client);
    std::printf("client area %ldx%ld\n", client.right, client.bottom);
    std::fflush(stdout);
}

void CALLBACK onceTheWindowIsUp(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND form = FindWindowW(L"Quorvel.Form1", nullptr);
    if (!form || !IsWindowVisible(form))
        return;
    KillTimer(nullptr, timer);
    announceDpiChange(form);
}

// Before the program's first line, on its one thread.
[[maybe_unused]] const UINT_PTR timer = [] {
    const char* change = std::getenv("QUORVEL_DPI_CHANGE");
    if (!change ||
        (std::strcmp(change, "whole-window") != 0 && std::strcmp(change, "asked-size") != 0))
        ExitProcess(3);
    askSizeFirst = std::strcmp(change, "asked-size") == 0;
    return SetTimer(nullptr, 0, 100, onceTheWindowIsUp);
}();

} // namespace
