// A program as the planted DLLs count on: it imports oleacc and comctl32 statically and
// loads uxtheme by name, with Windows' default search order and no manifest. Beside them
// it must load all three, or the check that quorvel.exe loads none proves nothing.
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
    return LoadLibraryW(L"uxtheme.dll") ? 0 : 1;
}
