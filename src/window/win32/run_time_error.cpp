#include "run_time_error.h"

#include "run_time_error_text.h"
#include "win32_text.h"

#include <exception>

namespace {

bool showing = false;

} // namespace

void showRunTimeError(HWND owner, std::wstring_view error) {
    const std::wstring message = toWide(kRunTimeErrorHeading) + std::wstring(error);
    const std::wstring title = toWide(kRunTimeErrorTitle);
    showing = true;
    MessageBoxW(owner, message.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    showing = false;
}

void showRunTimeError(HWND owner, std::string_view error) {
    showRunTimeError(owner, wideFromUtf8(error));
}

bool showingRunTimeError() {
    return showing;
}

void endWithRunTimeError(HWND window, std::string_view error) {
    HWND owner = window && IsWindow(window) ? GetAncestor(window, GA_ROOT) : nullptr;
    try {
        showRunTimeError(owner, error);
    } catch (const std::exception&) {
        // Not even the message could be put together: the program still ends as promised.
    }
    ExitProcess(1);
}

std::wstring lastErrorText(const wchar_t* function) {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said = std::wstring(function) + L": ";
    if (length > 0)
        said.append(text, length);
    else
        said += L"error " + std::to_wstring(error);
    LocalFree(text);
    // Windows ends its messages with a line break.
    while (!said.empty() && (said.back() == L'\n' || said.back() == L'\r'))
        said.pop_back();
    return said;
}
