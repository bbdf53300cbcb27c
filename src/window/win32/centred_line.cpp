#include "centred_line.h"

#include "handler_guard.h"
#include "system_library.h"

namespace {

constexpr UINT_PTR kSubclassId = 2;

// The space taken from the client area above and below the line.
struct Padding {
    int above = 0;
    int below = 0;
};

int lineHeight(HWND edit) {
    HDC dc = GetDC(edit);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    return metrics.tmHeight;
}

// The client area in the coordinates of the whole window, as WM_NCPAINT draws.
RECT clientInWindow(HWND edit) {
    RECT window{}, client{};
    GetWindowRect(edit, &window);
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    OffsetRect(&client, -window.left, -window.top);
    return client;
}

void paintPadding(HWND edit, const Padding& padding) {
    HDC dc = GetWindowDC(edit);
    // The face the window gives the box: read-only EDITs ask with WM_CTLCOLORSTATIC.
    const bool readOnly = (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0;
    auto face = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(edit), readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                     reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    const RECT client = clientInWindow(edit);
    const RECT above{client.left, client.top - padding.above, client.right, client.top};
    const RECT below{client.left, client.bottom, client.right, client.bottom + padding.below};
    FillRect(dc, &above, face ? face : GetSysColorBrush(COLOR_WINDOW));
    FillRect(dc, &below, face ? face : GetSysColorBrush(COLOR_WINDOW));
    ReleaseDC(edit, dc);
}

bool inPadding(HWND edit, const Padding& padding, POINT screen) {
    RECT client{};
    GetClientRect(edit, &client);
    MapWindowPoints(edit, nullptr, reinterpret_cast<POINT*>(&client), 2);
    client.top -= padding.above;
    client.bottom += padding.below;
    return PtInRect(&client, screen) != FALSE;
}

LRESULT CALLBACK editWithCentredLine(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data);

LRESULT handleMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, Padding& padding) {
    switch (message) {
    case WM_NCCALCSIZE: {
        const LRESULT result = comctl32::DefSubclassProc(edit, message, wParam, lParam);
        RECT& client = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                              : *reinterpret_cast<RECT*>(lParam);
        const int line = lineHeight(edit);
        const int spare = (client.bottom - client.top) - line;
        padding = spare > 1 ? Padding{spare / 2, spare - spare / 2} : Padding{};
        client.top += padding.above;
        client.bottom -= padding.below;
        return result;
    }
    case WM_NCPAINT:
        comctl32::DefSubclassProc(edit, message, wParam, lParam); // the border
        paintPadding(edit, padding);
        return 0;
    case WM_NCHITTEST: {
        // The padding belongs to the box: the text pointer, and clicks that place the caret.
        const LRESULT hit = comctl32::DefSubclassProc(edit, message, wParam, lParam);
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        return hit != HTCLIENT && inPadding(edit, padding, point) ? HTCLIENT : hit;
    }
    case WM_SETFONT: {
        const LRESULT result = comctl32::DefSubclassProc(edit, message, wParam, lParam);
        SetWindowPos(edit, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return result;
    }
    case WM_NCDESTROY:
        comctl32::RemoveWindowSubclass(edit, editWithCentredLine, kSubclassId);
        delete &padding;
        break;
    }
    return comctl32::DefSubclassProc(edit, message, wParam, lParam);
}

LRESULT CALLBACK editWithCentredLine(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR, DWORD_PTR data) {
    auto& padding = *reinterpret_cast<Padding*>(data);
    return guarded(
        edit, [&] { return handleMessage(edit, message, wParam, lParam, padding); },
        [&] { return comctl32::DefSubclassProc(edit, message, wParam, lParam); });
}

} // namespace

void centreLineVertically(HWND edit) {
    auto* padding = new Padding;
    if (!comctl32::SetWindowSubclass(edit, editWithCentredLine, kSubclassId,
                                     reinterpret_cast<DWORD_PTR>(padding)))
        delete padding;
}
