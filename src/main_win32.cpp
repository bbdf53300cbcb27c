// Quorvel for Windows: creates the one window hidden, loads it, shows it and runs it.
#include "form1.h"
#include "run_time_error.h"
#include "system_library.h"

#include <objbase.h>

#include <cstdlib>
#include <exception>

namespace {

int runMessageLoop(Form1& form) {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (form.handleDialogKey(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
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
        showRunTimeError(nullptr, "The window cannot be created.");
        return EXIT_FAILURE;
    }
    try {
        form.load();
    } catch (const std::exception& error) {
        // Without its table the program can do nothing: say why and end.
        showRunTimeError(nullptr, error.what());
        return EXIT_FAILURE;
    }
    form.show(showCommand);
    return runMessageLoop(form);
}
