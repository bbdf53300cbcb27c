#pragma once

#include <string>
#include <string_view>

#include <windows.h>

// Says that the program cannot go on, naming the error (UTF-8, as std::exception::what()
// has it, or UTF-16). The caller then ends the program with status 1.
void showRunTimeError(HWND owner, std::string_view error);
void showRunTimeError(HWND owner, std::wstring_view error);

// True while that message is up.
bool showingRunTimeError();

// Shows the message, owned by the top-level window of `window`, and ends the program at
// once with status 1: the handler that met the error stopped half-way.
[[noreturn]] void endWithRunTimeError(HWND window, std::string_view error);

// What Windows says of the error that `function` has just failed with (GetLastError).
std::wstring lastErrorText(const wchar_t* function);
