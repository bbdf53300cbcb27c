#pragma once

// The DLLs the program uses that are not among Windows' KnownDLLs, loaded at run time
// from System32 only. Windows would look for a statically imported one in the program's
// own folder first, where a file of the same name (in a Downloads folder, say) would run
// inside the program. Each function here stands for the system's function of the same
// name and, where its DLL cannot be loaded, fails as that function fails.

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>

// Restricts the search for every DLL the process loads from now on, its own and those
// the system's DLLs load for it, to System32. The first thing the program does.
void restrictDllSearchToSystem32();

// Loads the DLL `name` from System32, never from another folder; nullptr if it cannot.
HMODULE loadSystemLibrary(const wchar_t* name);

// comctl32: common controls 6, as the manifest asks for. Every Windows has it; were it
// missing, the window would go without what it adds (tool tips, the boxes' centred lines,
// whole input-method commits, the controls' own answers to screen readers), and without
// the controls themselves where their classes come from it too, as under Wine. Nothing
// crashes.
namespace comctl32 {
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
BOOL SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data);
BOOL RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id);
LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
} // namespace comctl32

// oleacc: Active Accessibility. Without it screen readers get what Windows answers for
// any control.
namespace oleacc {
HRESULT CreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** out);
LRESULT LresultFromObject(REFIID iid, WPARAM flags, LPUNKNOWN object);
} // namespace oleacc
