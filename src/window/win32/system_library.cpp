#include "system_library.h"

#include <string>

namespace {

// The function `name` of `module`, or nullptr. Typed as decltype(&::Name), which names the
// system's declaration without importing it.
template <typename Function> Function functionOf(HMODULE module, const char* name) {
    if (!module)
        return nullptr;
    // Through a plain function pointer type: a direct cast draws a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// kernel32 is a KnownDLL, loaded before the program's first line.
template <typename Function> Function kernel32Function(const char* name) {
    return functionOf<Function>(GetModuleHandleW(L"kernel32.dll"), name);
}

// Loaded once, on first use. By name, so that the manifest's activation context still
// picks comctl32's version 6.
HMODULE comctl32Module() {
    static const HMODULE module = loadSystemLibrary(L"comctl32.dll");
    return module;
}

HMODULE oleaccModule() {
    static const HMODULE module = loadSystemLibrary(L"oleacc.dll");
    return module;
}

} // namespace

void restrictDllSearchToSystem32() {
    // Windows 7 has SetDefaultDllDirectories only with KB2533623; Windows 8 and later always.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        // At least the current folder leaves the search.
        SetDllDirectoryW(L"");
    }
}

HMODULE loadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    // Not there, or it failed to load: no other folder is tried.
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    // A Windows 7 without KB2533623 does not know the flag: the full path instead, whose
    // dependencies are then looked for in System32 before the program's folder.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L'\\' + name;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

namespace comctl32 {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    static const auto function =
        functionOf<decltype(&::InitCommonControlsEx)>(comctl32Module(), "InitCommonControlsEx");
    return function ? function(controls) : FALSE;
}

BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
    static const auto function =
        functionOf<decltype(&::SetWindowSubclass)>(comctl32Module(), "SetWindowSubclass");
    return function ? function(window, procedure, id, data) : FALSE;
}

BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
    static const auto function =
        functionOf<decltype(&::RemoveWindowSubclass)>(comctl32Module(), "RemoveWindowSubclass");
    return function ? function(window, procedure, id) : FALSE;
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only a subclass calls it, and there is none without comctl32.
    static const auto function =
        functionOf<decltype(&::DefSubclassProc)>(comctl32Module(), "DefSubclassProc");
    return function ? function(window, message, wParam, lParam) : 0;
}

} // namespace comctl32

namespace oleacc {

HRESULT CreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** out) {
    static const auto function = functionOf<decltype(&::CreateStdAccessibleObject)>(
        oleaccModule(), "CreateStdAccessibleObject");
    if (function)
        return function(window, object, iid, out);
    if (out)
        *out = nullptr;
    return E_NOTIMPL;
}

LRESULT LresultFromObject(REFIID iid, WPARAM flags, LPUNKNOWN object) {
    static const auto function =
        functionOf<decltype(&::LresultFromObject)>(oleaccModule(), "LresultFromObject");
    return function ? function(iid, flags, object) : E_NOTIMPL;
}

} // namespace oleacc
