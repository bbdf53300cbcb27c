#include "run_time_error.h"

#include "win32_text.h"

void showRunTimeError(HWND owner, std::string_view error) {
    const std::wstring message = L"运行时错误：\n" + wideFromUtf8(error);
    MessageBoxW(owner, message.c_str(), L"Quorvel", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
