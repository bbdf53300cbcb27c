// Quorvel for Windows: creates the one window hidden, loads it, shows it and runs it.
#include "form1.h"
#include "run_time_error.h"
#include "system_library.h"

#include <objbase.h>

#include <cstdlib>
#include <exception>

namespace {

int runMessageLoop(Form1& form) {
    MSG message{};
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (form.handleDialogKey(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (got == -1) {
        // No message reaches the window any more: an error like any other.
        showRunTimeError(form.handle(), lastSystemError(L"GetMessageW"));
        return EXIT_FAILURE;
    }
    return static_cast<int>(message.wParam); // the code PostQuitMessage gave
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before anything loads a DLL: none from the program's folder or the current one.
    restrictDllSearchToSystem32();
    // COM for the picture decoder; the common controls for the tool tips.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    comctl32::InitCommonControlsEx(&controls);

    Form1 form(instance);
    if (!form.create()) {
        showRunTimeError(nullptr, lastSystemError(L"CreateWindowExW"));
        return EXIT_FAILURE;
    }
    try {
        form.load();
    } catch (const std::exception& error) {
        // Without its table the program can do nothing: say why and end.
        showRunTimeError(nullptr, error);
        return EXIT_FAILURE;
    }
    form.show(showCommand);
    return runMessageLoop(form);
}
