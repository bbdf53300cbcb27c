#include "form1.h"

#include "accessibility.h"
#include "committed_text.h"
#include "handler_guard.h"
#include "stroke_lookup.h"
#include "text_box_colours.h"
#include "win32_text.h"

#include <string>

namespace {

constexpr wchar_t kWindowClass[] = L"Quorvel.Form1";
// A thin fixed frame with caption and system menu: no thick frame, no minimise or
// maximise box. Children are left out of the window's own painting.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_APPWINDOW;
// The clover of packaging/quorvel.rc.in, which is also the program file's icon.
constexpr WORD kProgramIconId = 1;

HICON loadProgramIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconId), IMAGE_ICON, size, size, 0));
}

bool isTextBoxLayout(const ControlSpec* layout) {
    return layout && isTextBox(layout->kind);
}

// Explorer named in full: given only "explorer.exe", CreateProcessW looks in the program's
// own folder first, where anyone may have put a program of that name. The system's Windows
// folder, not a terminal-server user's own one.
std::wstring explorerPath() {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    return std::wstring(folder, length) + L"\\explorer.exe";
}

} // namespace

Form1::Form1(HINSTANCE instance) : instance_(instance), pictures_(instance) {}

Form1::~Form1() {
    if (window_)
        DestroyWindow(window_);
    if (background_)
        DeleteObject(background_);
    for (HBRUSH brush : faceBrushes_)
        if (brush)
            DeleteObject(brush);
    for (HICON icon : {smallIcon_, bigIcon_})
        if (icon)
            DestroyIcon(icon);
}

bool Form1::create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(kProgramIconId));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;
    const std::wstring caption = toWide(kForm1.caption);
    // Placed where Windows would put it, so that its DPI is that of its monitor; the
    // size follows from that DPI in WM_CREATE.
    CreateWindowExW(kExStyle, kWindowClass, caption.c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
    return window_ != nullptr;
}

void Form1::load() {
    strokeTable_ = LoadStrokeTable();
}

void Form1::show(int showCommand) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    RECT frame{};
    GetWindowRect(window_, &frame);
    const int x = work.left + (work.right - work.left - (frame.right - frame.left)) / 2;
    const int y = work.top + (work.bottom - work.top - (frame.bottom - frame.top)) / 2;
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A shortcut may ask for a maximised window; this one keeps its size.
    if (showCommand == SW_MAXIMIZE || showCommand == SW_SHOWMAXIMIZED)
        showCommand = SW_SHOWNORMAL;
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    SetFocus(text1_);
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* form = static_cast<Form1*>(created->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    // Nothing in a handler recovers from the platform's errors: they end the program.
    return guarded(
        window, [&] { return form->handleMessage(message, wParam, lParam); },
        [&] { return DefWindowProcW(window, message, wParam, lParam); });
}

LRESULT Form1::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT covers all of the client area
    case WM_PAINT:
        onPaint();
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (controls_.layoutOf(reinterpret_cast<HWND>(lParam)))
            return onControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_DRAWITEM:
        onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_SETCURSOR:
        if (onSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam)))
            return TRUE;
        break;
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        return 0;
    case WM_SETFOCUS:
        SetFocus(lastFocus_ ? lastFocus_ : text1_);
        return 0;
    case WM_SYSCOMMAND:
        // The size is fixed, whatever asks for another.
        switch (wParam & 0xFFF0) {
        case SC_SIZE:
        case SC_MINIMIZE:
        case SC_MAXIMIZE:
            return 0;
        }
        break;
    case WM_GETDPISCALEDSIZE:
        // The exact size for the new DPI, so that WM_DPICHANGED suggests it.
        *reinterpret_cast<SIZE*>(lParam) = windowSize(static_cast<UINT>(wParam));
        return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        // Another colour scheme, or high contrast switched: the text boxes follow.
        RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        break;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0); // closing the only window ends the program normally
        return 0;
    case WM_NCDESTROY: {
        HWND window = window_;
        window_ = nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void Form1::onCreate() {
    controls_.create(window_, instance_);
    makeControlsAccessible(controls_, [this] { return check1Value_ == 1; });
    text1_ = controls_.window("Text1");
    text2_ = controls_.window("Text2");
    command1_ = controls_.window("Command1");
    command2_ = controls_.window("Command2");
    check1_ = controls_.window("Check1");
    label1_ = controls_.window("Label1");
    for (const ControlSpec& layout : kForm1Controls) {
        if (layout.isDefault)
            defaultButton_ = controls_.window(layout.name);
    }
    lastFocus_ = text1_;
    takeCommittedTextWhole(text1_);
    background_ = CreateSolidBrush(toColorRef(kForm1.background));

    // Only Move and Close stay in the system menu.
    HMENU systemMenu = GetSystemMenu(window_, FALSE);
    for (UINT command : {SC_RESTORE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE})
        DeleteMenu(systemMenu, command, MF_BYCOMMAND);

    applyDpi(dpiOfWindow(window_));
    const SIZE size = windowSize(dpi_);
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::applyDpi(UINT dpi) {
    dpi_ = dpi;
    controls_.layOut(dpi);
    HICON small = loadProgramIcon(instance_, systemMetricAtDpi(SM_CXSMICON, dpi));
    HICON big = loadProgramIcon(instance_, systemMetricAtDpi(SM_CXICON, dpi));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    for (HICON icon : {smallIcon_, bigIcon_})
        if (icon)
            DestroyIcon(icon);
    smallIcon_ = small;
    bigIcon_ = big;
}

SIZE Form1::windowSize(UINT dpi) const {
    const int d = static_cast<int>(dpi);
    const SIZE client{twipsToPixels(kForm1.clientTwips.width, d),
                      twipsToPixels(kForm1.clientTwips.height, d)};
    return windowSizeForClient(client, kStyle, kExStyle, dpi);
}

void Form1::onPaint() {
    // The background picture is larger than the window: drawn at the DPI's size, clipped.
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, background_);
    pictures_.draw(dc, kForm1.backgroundPicture, dpi_, 0, 0);
    EndPaint(window_, &paint);
}

HBRUSH Form1::faceBrush(const ControlSpec& layout) {
    HBRUSH& brush = faceBrushes_[static_cast<size_t>(&layout - kForm1Controls.data())];
    if (!brush && layout.face)
        brush = CreateSolidBrush(toColorRef(*layout.face));
    return brush ? brush : background_;
}

LRESULT Form1::onControlColour(HDC dc, HWND control) {
    // Read-only EDITs ask with WM_CTLCOLORSTATIC, editable ones with WM_CTLCOLOREDIT.
    const ControlSpec& layout = *controls_.layoutOf(control);
    if (isTextBox(layout.kind) && layout.face)
        return reinterpret_cast<LRESULT>(colourTextBox(dc, *layout.face, faceBrush(layout)));
    if (layout.face)
        SetBkColor(dc, toColorRef(*layout.face));
    SetTextColor(dc, layout.text ? toColorRef(*layout.text) : GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(faceBrush(layout));
}

void Form1::onDrawItem(const DRAWITEMSTRUCT& item) {
    const ControlSpec* layout = controls_.layoutOf(static_cast<int>(item.CtlID));
    if (!layout)
        return;
    if (layout->kind == ControlKind::LinkLabel)
        drawLinkLabel(item, *layout);
    else
        drawPictureButton(item, *layout);
}

void Form1::drawPictureButton(const DRAWITEMSTRUCT& item, const ControlSpec& layout) {
    // The face colour shows only where the picture, centred, leaves the face uncovered.
    HDC dc = item.hDC;
    const RECT& face = item.rcItem;
    FillRect(dc, &face, faceBrush(layout));
    const bool toggledDown = layout.kind == ControlKind::PictureToggle && check1Value_ == 1;
    const char* file = layout.pictures.normal;
    if ((item.itemState & ODS_DISABLED) && layout.pictures.disabled)
        file = layout.pictures.disabled;
    else if (((item.itemState & ODS_SELECTED) || toggledDown) && layout.pictures.down)
        file = layout.pictures.down;
    const Picture& picture = pictures_.get(file ? file : "", dpi_);
    pictures_.draw(dc, file ? file : "", dpi_,
                   face.left + (face.right - face.left - picture.size.cx) / 2,
                   face.top + (face.bottom - face.top - picture.size.cy) / 2);
    if (item.itemState & ODS_FOCUS) {
        // A dotted frame inside the bevel marks the keyboard focus.
        const int inset = MulDiv(4, static_cast<int>(dpi_), kDefaultDpi);
        RECT frame{face.left + inset, face.top + inset, face.right - inset, face.bottom - inset};
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        DrawFocusRect(dc, &frame);
    }
}

void Form1::drawLinkLabel(const DRAWITEMSTRUCT& item, const ControlSpec& layout) {
    // Transparent: the window's background, then the text on one line, clipped.
    HDC dc = item.hDC;
    RECT place = item.rcItem;
    MapWindowPoints(item.hwndItem, window_, reinterpret_cast<POINT*>(&place), 2);
    FillRect(dc, &item.rcItem, background_);
    pictures_.draw(dc, kForm1.backgroundPicture, dpi_, -place.left, -place.top);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, layout.text ? toColorRef(*layout.text) : GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ previousFont = SelectObject(dc, controls_.fontOf(layout));
    const std::wstring caption = toWide(layout.caption);
    RECT text = item.rcItem;
    DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previousFont);
}

void Form1::onCommand(int id, int code) {
    HWND control = GetDlgItem(window_, id);
    if (!control || !controls_.layoutOf(id))
        return;
    if (control == text1_) {
        if (code == EN_CHANGE)
            onText1Changed();
        return;
    }
    if (control == label1_) {
        if (code == STN_CLICKED)
            onLabel1Clicked();
        return;
    }
    // An owner-drawn button reports the second of two quick clicks as a double click.
    if (code != BN_CLICKED && code != BN_DOUBLECLICKED)
        return;
    if (control == command1_) {
        onCommand1Clicked();
    } else if (control == command2_) {
        onCommand2Clicked();
    } else if (control == check1_) {
        check1Value_ = check1Value_ == 1 ? 0 : 1;
        InvalidateRect(check1_, nullptr, FALSE);
        announceStateChange(check1_);
    }
}

bool Form1::onSetCursor(HWND over, int hitTest) {
    const ControlSpec* layout = controls_.layoutOf(over);
    if (hitTest != HTCLIENT || !layout || !layout->cursor)
        return false;
    SetCursor(pictures_.cursor(layout->cursor, dpi_));
    return true;
}

void Form1::onActivate(bool active) {
    // Like a dialog, the window gives the focus back to the control that had it.
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus))
            lastFocus_ = focus;
        return;
    }
    SetFocus(lastFocus_ ? lastFocus_ : text1_);
}

void Form1::onDpiChanged(UINT dpi, const RECT& suggested) {
    // The suggested place, but the exact size. Windows suggests the size WM_GETDPISCALEDSIZE
    // gave only from Windows 10 1703 on; before, it scales the whole window, frame and all,
    // and the client area would miss its size at the new DPI.
    const SIZE size = windowSize(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    applyDpi(dpi);
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool Form1::handleDialogKey(const MSG& message) {
    if (message.message != WM_KEYDOWN ||
        (message.hwnd != window_ && !IsChild(window_, message.hwnd)))
        return false;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (message.wParam) {
    case VK_TAB:
        if (control)
            return false;
        moveFocus(shift);
        return true;
    case VK_RETURN: {
        // Enter presses the default button, unless another push button has the focus.
        HWND focus = GetFocus();
        const ControlSpec* focused = controls_.layoutOf(focus);
        HWND pressed =
            focused && focused->kind == ControlKind::PictureButton ? focus : defaultButton_;
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(pressed), BN_CLICKED),
                     reinterpret_cast<LPARAM>(pressed));
        return true;
    }
    case VK_ESCAPE:
        return true; // no cancel button
    case 'A':
        if (control && isTextBoxLayout(controls_.layoutOf(GetFocus()))) {
            SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
            return true;
        }
        return false;
    }
    return false;
}

void Form1::moveFocus(bool backwards) {
    HWND focus = GetFocus();
    HWND next = GetNextDlgTabItem(window_, IsChild(window_, focus) ? focus : nullptr,
                                  backwards ? TRUE : FALSE);
    if (!next)
        return;
    SetFocus(next);
    // Tabbing into a text box selects its text, as in a dialog.
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        SendMessageW(next, EM_SETSEL, 0, -1);
}

// The look-up action.
void Form1::onCommand1Clicked() {
    SetWindowTextW(text2_, L"");
    // An open input-method composition survives only if the focus and selection are
    // left alone when they are already right, so change them only when they are not.
    if (GetFocus() != text1_)
        SetFocus(text1_);
    selectAllOfText1();

    const LookupOutcome outcome = LookupStrokes(strokeTable_, windowText(text1_));
    switch (outcome.kind) {
    case LookupOutcome::Skipped:
        break;
    case LookupOutcome::NotFound:
        // A change of Text1 itself: EN_CHANGE arrives before this returns and may look up
        // again.
        SetWindowTextW(text1_, L"");
        break;
    case LookupOutcome::Found:
        SetWindowTextW(text2_, toWide(outcome.resultText).c_str());
        break;
    }
    announceValueChange(text2_);
}

void Form1::selectAllOfText1() {
    const DWORD length = static_cast<DWORD>(GetWindowTextLengthW(text1_));
    DWORD start = 0, end = 0;
    SendMessageW(text1_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    if (length > 0 && (start != 0 || end != length))
        SendMessageW(text1_, EM_SETSEL, 0, static_cast<LPARAM>(length));
}

void Form1::onText1Changed() {
    if (check1Value() == 1)
        onCommand1Clicked();
}

void Form1::onCommand2Clicked() {
    // Ends at once: no close message, nothing asked, no further message handled.
    ExitProcess(0);
}

void Form1::onLabel1Clicked() {
    std::wstring commandLine =
        L"explorer.exe " + toWide(kAuthorAddress); // CreateProcessW writes to it
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    PROCESS_INFORMATION started{};
    const std::wstring explorer = explorerPath();
    if (!explorer.empty() && CreateProcessW(explorer.c_str(), commandLine.data(), nullptr, nullptr,
                                            FALSE, 0, nullptr, nullptr, &startup, &started)) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return;
    }
    // Not opening a browser is no reason to end: say so and leave the address to copy
    // (a message box copies its text with Ctrl+C).
    const std::wstring message = L"无法打开网页浏览器。作者的网站是：\n" + toWide(kAuthorAddress);
    const std::wstring caption = toWide(kForm1.caption);
    MessageBoxW(window_, message.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}
