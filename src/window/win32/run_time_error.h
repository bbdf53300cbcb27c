#pragma once

#include <string_view>

#include <windows.h>

// Says that the program cannot go on, naming the error (UTF-8). The caller then ends
// the program with status 1.
void showRunTimeError(HWND owner, std::string_view error);
