// A stand-in for a system program, as an attacker would plant it beside Quorvel: started,
// it leaves NAME.loaded in its own folder and ends.
#include <windows.h>

int main(void) {
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length < 4 || length >= MAX_PATH)
        return 1;
    lstrcpyW(path + length - 4, L".loaded"); // in place of ".exe"
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(file);
    return 0;
}
