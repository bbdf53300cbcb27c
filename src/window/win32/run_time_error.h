#pragma once

#include "run_time_error_text.h"

#include <exception>

#include <windows.h>

// Says that the program cannot go on, naming the error. The caller then ends the program
// with status 1.
void showRunTimeError(HWND owner, const RunTimeError& error);
void showRunTimeError(HWND owner, const std::exception& error);

// True while that message is up.
bool showingRunTimeError();

// Shows the message, owned by the top-level window of `window`, and ends the program at
// once with status 1: the handler that met the error stopped half-way.
[[noreturn]] void endWithRunTimeError(HWND window, const std::exception& error);

// The error that `function` has just failed with (GetLastError), in Windows' own words.
RunTimeError lastSystemError(const wchar_t* function);
