// Asks Quorvel's window what a screen reader asks through MSAA, from another process as
// one does, and prints the answers as UTF-8 lines, one field per tab:
//
//   msaa_probe controls       one line per control: its layout name, then name=, role=,
//                             state=, value=, action= as AccessibleObjectFromWindow's
//                             object answers for OBJID_CLIENT
//   msaa_probe do NAME        the default action of control NAME (e.g. Check1)
//   msaa_probe watch SECONDS  "ready", then one line per focus, state, name or value
//                             event the program raises within SECONDS: the event and
//                             the line of the object it names
//   msaa_probe message        the text of the program's message box titled Quorvel, as
//                             a screen reader reads its static text, then presses OK
//
// Exits 1 with a message on standard error when the window or an answer is missing.
#include "form_builder.h"

#include <fcntl.h>
#include <io.h>
#include <oleacc.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kCaption[] = L"Quorvel :-)";

void print(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

[[noreturn]] void fail(const std::wstring& message) {
    fwprintf(stderr, L"msaa_probe: %ls\n", message.c_str());
    std::exit(1);
}

std::wstring hex(long value) {
    wchar_t text[16];
    swprintf(text, 16, L"0x%lx", static_cast<unsigned long>(value));
    return text;
}

std::wstring roleName(long role) {
    switch (role) {
    case ROLE_SYSTEM_CLIENT:
        return L"client";
    case ROLE_SYSTEM_WINDOW:
        return L"window";
    case ROLE_SYSTEM_TEXT:
        return L"text";
    case ROLE_SYSTEM_STATICTEXT:
        return L"static text";
    case ROLE_SYSTEM_PUSHBUTTON:
        return L"push button";
    case ROLE_SYSTEM_CHECKBUTTON:
        return L"check button";
    case ROLE_SYSTEM_LINK:
        return L"link";
    }
    return hex(role);
}

std::wstring stateNames(long state) {
    static const struct {
        long flag;
        const wchar_t* name;
    } kNames[] = {
        {STATE_SYSTEM_UNAVAILABLE, L"unavailable"}, {STATE_SYSTEM_FOCUSED, L"focused"},
        {STATE_SYSTEM_PRESSED, L"pressed"},         {STATE_SYSTEM_CHECKED, L"checked"},
        {STATE_SYSTEM_READONLY, L"read-only"},      {STATE_SYSTEM_DEFAULT, L"default"},
        {STATE_SYSTEM_INVISIBLE, L"invisible"},     {STATE_SYSTEM_FOCUSABLE, L"focusable"},
        {STATE_SYSTEM_LINKED, L"linked"},
    };
    std::wstring names;
    for (const auto& known : kNames) {
        if (state & known.flag) {
            names += (names.empty() ? L"" : L",") + std::wstring(known.name);
            state &= ~known.flag;
        }
    }
    return state ? names + (names.empty() ? L"" : L",") + hex(state) : names;
}

// A string property: its text, "" when there is none, or "<error 0x...>".
template <typename Getter> std::wstring text(Getter get) {
    BSTR value = nullptr;
    const HRESULT result = get(&value);
    if (FAILED(result))
        return L"<error " + hex(result) + L">";
    std::wstring text = value ? value : L"";
    SysFreeString(value);
    return text;
}

std::wstring describe(IAccessible* object, VARIANT self) {
    VARIANT role{}, state{};
    const HRESULT roleResult = object->get_accRole(self, &role);
    const HRESULT stateResult = object->get_accState(self, &state);
    return L"name=" + text([&](BSTR* v) { return object->get_accName(self, v); }) + L"\trole=" +
           (SUCCEEDED(roleResult) && role.vt == VT_I4 ? roleName(role.lVal) : L"?") + L"\tstate=" +
           (SUCCEEDED(stateResult) && state.vt == VT_I4 ? stateNames(state.lVal) : L"?") +
           L"\tvalue=" + text([&](BSTR* v) { return object->get_accValue(self, v); }) +
           L"\taction=" + text([&](BSTR* v) { return object->get_accDefaultAction(self, v); });
}

VARIANT selfChild() {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

HWND findForm() {
    HWND form = FindWindowW(nullptr, kCaption);
    if (!form)
        fail(L"no window \"Quorvel :-)\"");
    return form;
}

// The name the layout gives a control, from its identifier.
std::wstring layoutName(HWND control) {
    const int index = GetDlgCtrlID(control) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(kForm1Controls.size()))
        return L"?";
    const char* name = kForm1Controls[static_cast<size_t>(index)].name;
    return std::wstring(name, name + std::strlen(name));
}

HWND findControl(const wchar_t* name) {
    for (HWND child = GetWindow(findForm(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (layoutName(child) == name)
            return child;
    }
    fail(L"no control " + std::wstring(name));
}

IAccessible* clientObject(HWND control) {
    IAccessible* object = nullptr;
    // __uuidof, not IID_IAccessible: with -loleacc that name is a thunk into oleacc.dll.
    const HRESULT result =
        AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object));
    if (FAILED(result) || !object)
        fail(L"AccessibleObjectFromWindow failed: " + hex(result));
    return object;
}

int listControls() {
    // In the order of the window's children, which is the order of the focus under Tab.
    for (HWND child = GetWindow(findForm(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        IAccessible* object = clientObject(child);
        print(layoutName(child) + L"\t" + describe(object, selfChild()));
        object->Release();
    }
    return 0;
}

int doDefaultAction(const wchar_t* name) {
    IAccessible* object = clientObject(findControl(name));
    const HRESULT result = object->accDoDefaultAction(selfChild());
    object->Release();
    if (FAILED(result))
        fail(L"accDoDefaultAction of " + std::wstring(name) + L" failed: " + hex(result));
    return 0;
}

const wchar_t* eventName(DWORD event) {
    switch (event) {
    case EVENT_OBJECT_FOCUS:
        return L"focus";
    case EVENT_OBJECT_STATECHANGE:
        return L"state";
    case EVENT_OBJECT_NAMECHANGE:
        return L"name";
    case EVENT_OBJECT_VALUECHANGE:
        return L"value";
    }
    return nullptr;
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG objectId, LONG childId, DWORD,
                      DWORD) {
    const wchar_t* name = eventName(event);
    if (!name || objectId != OBJID_CLIENT)
        return;
    IAccessible* object = nullptr;
    VARIANT child{};
    if (FAILED(AccessibleObjectFromEvent(window, static_cast<DWORD>(objectId),
                                         static_cast<DWORD>(childId), &object, &child)) ||
        !object) {
        print(std::wstring(name) + L"\t" + layoutName(window) + L"\t<no object>");
        return;
    }
    print(std::wstring(name) + L"\t" + layoutName(window) + L"\t" + describe(object, child));
    object->Release();
    VariantClear(&child);
}

BOOL CALLBACK addStaticText(HWND child, LPARAM texts) {
    wchar_t className[16] = L"";
    GetClassNameW(child, className, 16);
    // Sent, not GetWindowTextW: that reads no control of another process.
    const auto length = static_cast<size_t>(SendMessageW(child, WM_GETTEXTLENGTH, 0, 0));
    if (_wcsicmp(className, L"Static") != 0 || length == 0)
        return TRUE;
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<size_t>(
        SendMessageW(child, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()))));
    auto& all = *reinterpret_cast<std::wstring*>(texts);
    all += (all.empty() ? L"" : L"\n") + text;
    return TRUE;
}

int readMessageBox() {
    HWND box = FindWindowW(L"#32770", L"Quorvel");
    if (!box)
        fail(L"no message box \"Quorvel\"");
    std::wstring texts;
    EnumChildWindows(box, addStaticText, reinterpret_cast<LPARAM>(&texts));
    print(texts);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return 0;
}

int watchEvents(double seconds) {
    DWORD process = 0;
    GetWindowThreadProcessId(findForm(), &process);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr,
                                         onEvent, process, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook)
        fail(L"SetWinEventHook failed");
    print(L"ready");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    UnhookWinEvent(hook);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    _setmode(_fileno(stdout), _O_BINARY); // the UTF-8 bytes as they are, "\n" unchanged
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"controls" && argc == 2)
        return listControls();
    if (command == L"do" && argc == 3)
        return doDefaultAction(argv[2]);
    if (command == L"watch" && argc == 3)
        return watchEvents(_wtof(argv[2]));
    if (command == L"message" && argc == 2)
        return readMessageBox();
    fail(L"usage: msaa_probe controls | do NAME | watch SECONDS | message");
}
