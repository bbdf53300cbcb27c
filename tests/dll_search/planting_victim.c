// A program as the planted files count on: it imports oleacc and comctl32 statically,
// loads uxtheme by name and starts explorer.exe by name, with Windows' default search
// order and no manifest. Beside them it must take all four, or the check that quorvel.exe
// takes none proves nothing.
#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

int main(void) {
    // Called, so that both are imported; the planted ones fail, the system's do no harm.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    IAccessible* object = NULL;
    if (SUCCEEDED(CreateStdAccessibleObject(GetDesktopWindow(), OBJID_CLIENT, &IID_IAccessible,
                                            (void**)&object)) &&
        object)
        object->lpVtbl->Release(object);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION started;
    wchar_t commandLine[] = L"explorer.exe";
    if (CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &started)) {
        // The system's explorer, started when the planted one is not, would stay.
        if (WaitForSingleObject(started.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(started.hProcess, 1);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    return LoadLibraryW(L"uxtheme.dll") ? 0 : 1;
}
