// Linked into a test build of quorvel.exe with allocation_fault.cpp. When the message that
// QUORVEL_FAULT names reaches the window (Text1's change, Label1's click, a screen reader's
// question to Text1), an allocation is made to fail from then on, as when memory runs out.
// The test drives the window from outside, as a user and a screen reader do, and reads the
// message the program shows. An unknown fault ends the program at once with status 3.
#include "allocation_fault.h"
#include "form_builder.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

struct Fault {
    const char* name; // QUORVEL_FAULT's value
    UINT message;
    const char* control; // WM_COMMAND: the control notifying; otherwise the receiver
    WORD notification;   // WM_COMMAND's
    std::size_t bytes;   // the allocation that fails: the first of at least this many bytes
};

constexpr std::size_t kAny = 1;
// More than anything the window allocates for itself once it is up, less than a text of
// 40,000 characters takes.
constexpr std::size_t kLargerThanTheWindowNeeds = 64 << 10;

const Fault kFaults[] = {
    {"text1-change", WM_COMMAND, "Text1", EN_CHANGE, kAny},
    {"label1-click", WM_COMMAND, "Label1", STN_CLICKED, kAny},
    {"screen-reader-object", WM_GETOBJECT, "Text1", 0, kAny},
    {"screen-reader-value", WM_GETOBJECT, "Text1", 0, kLargerThanTheWindowNeeds},
};

const Fault* chosen = nullptr;

bool isControl(HWND window, const char* name) {
    const int index = GetDlgCtrlID(window) - kFirstControlId;
    return index >= 0 && index < static_cast<int>(kForm1Controls.size()) &&
           std::strcmp(kForm1Controls[static_cast<size_t>(index)].name, name) == 0;
}

bool isTheFaultsMessage(const CWPSTRUCT& sent) {
    if (sent.message != chosen->message)
        return false;
    if (sent.message == WM_COMMAND)
        return HIWORD(sent.wParam) == chosen->notification &&
               isControl(reinterpret_cast<HWND>(sent.lParam), chosen->control);
    if (sent.message == WM_GETOBJECT &&
        static_cast<DWORD>(sent.lParam) != static_cast<DWORD>(OBJID_CLIENT))
        return false;
    return isControl(sent.hwnd, chosen->control);
}

// Called before the window procedure gets each message sent to the program's windows.
LRESULT CALLBACK armOnTheFaultsMessage(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && isTheFaultsMessage(*reinterpret_cast<const CWPSTRUCT*>(lParam)))
        failNextAllocation(chosen->bytes);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Before the program's first line, on its one thread.
[[maybe_unused]] const HHOOK hook = [] {
    const char* name = std::getenv("QUORVEL_FAULT");
    for (const Fault& fault : kFaults) {
        if (name && std::strcmp(name, fault.name) == 0)
            chosen = &fault;
    }
    if (!chosen)
        ExitProcess(3);
    return SetWindowsHookExW(WH_CALLWNDPROC, armOnTheFaultsMessage, nullptr, GetCurrentThreadId());
}();

} // namespace
