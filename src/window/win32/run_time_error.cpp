#include "run_time_error.h"

#include "win32_text.h"

#include <string>

namespace {

bool showing = false;

} // namespace

void showRunTimeError(HWND owner, const RunTimeError& error) {
    const std::wstring message = toWide(runTimeErrorText(error));
    const std::wstring title = toWide(kRunTimeErrorTitle);
    showing = true;
    MessageBoxW(owner, message.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    showing = false;
}

void showRunTimeError(HWND owner, const std::exception& error) {
    showRunTimeError(owner, runTimeErrorOf(error));
}

bool showingRunTimeError() {
    return showing;
}

void endWithRunTimeError(HWND window, const std::exception& error) {
    HWND owner = window && IsWindow(window) ? GetAncestor(window, GA_ROOT) : nullptr;
    try {
        showRunTimeError(owner, error);
    } catch (const std::exception&) {
        // Not even the message could be put together: the program still ends as promised.
    }
    ExitProcess(1);
}

RunTimeError lastSystemError(const wchar_t* function) {
    const DWORD error = GetLastError();
    RunTimeError said{ErrorKind::SystemCall, {}, {}};
    for (const wchar_t* c = function; *c; ++c)
        said.technicalName += static_cast<char16_t>(*c);
    // Error 0 ("The operation completed successfully") would say nothing true.
    wchar_t* text = nullptr;
    const DWORD length =
        error == ERROR_SUCCESS
            ? 0
            : FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length > 0)
        said.systemMessage.assign(text, text + length);
    LocalFree(text);
    // Windows ends its messages with a line break.
    while (!said.systemMessage.empty() &&
           (said.systemMessage.back() == u'\n' || said.systemMessage.back() == u'\r'))
        said.systemMessage.pop_back();
    if (said.systemMessage.empty() && error != ERROR_SUCCESS)
        said.technicalName += u", error " + utf16FromUtf8(std::to_string(error));
    return said;
}
