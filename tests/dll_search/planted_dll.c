// A stand-in for a system DLL, as an attacker would plant it beside the program: loaded,
// it leaves NAME.loaded in its own folder. Its exports (named in NAME.def) fail politely,
// so that a program that does load it still runs on and the marker tells what happened.
#include <windows.h>

static void leaveMarker(HINSTANCE self) {
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    wchar_t* dot = path + length;
    while (dot > path && *dot != L'.' && *dot != L'\\')
        --dot;
    if (*dot != L'.')
        dot = path + length;
    lstrcpyW(dot, L".loaded");
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        leaveMarker(self);
    return TRUE;
}

// oleacc
HRESULT WINAPI plantedCreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** out) {
    (void)window, (void)object, (void)iid;
    if (out)
        *out = NULL;
    return E_NOTIMPL;
}
LRESULT WINAPI plantedLresultFromObject(REFIID iid, WPARAM flags, IUnknown* object) {
    (void)iid, (void)flags, (void)object;
    return E_NOTIMPL;
}

// comctl32
BOOL WINAPI plantedInitCommonControlsEx(const void* controls) {
    (void)controls;
    return FALSE;
}
BOOL WINAPI plantedSetWindowSubclass(HWND window, void* procedure, UINT_PTR id, DWORD_PTR data) {
    (void)window, (void)procedure, (void)id, (void)data;
    return FALSE;
}
BOOL WINAPI plantedRemoveWindowSubclass(HWND window, void* procedure, UINT_PTR id) {
    (void)window, (void)procedure, (void)id;
    return FALSE;
}
LRESULT WINAPI plantedDefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)window, (void)message, (void)wParam, (void)lParam;
    return 0;
}
