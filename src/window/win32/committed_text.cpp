#include "committed_text.h"

#include <commctrl.h>
#include <imm.h>

#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr LPARAM kResultFlags =
    GCS_RESULTSTR | GCS_RESULTCLAUSE | GCS_RESULTREADSTR | GCS_RESULTREADCLAUSE;

std::wstring committedText(HWND edit) {
    std::wstring text;
    if (HIMC context = ImmGetContext(edit)) {
        const LONG bytes = ImmGetCompositionStringW(context, GCS_RESULTSTR, nullptr, 0);
        if (bytes > 0) {
            text.resize(static_cast<size_t>(bytes) / sizeof(wchar_t));
            ImmGetCompositionStringW(context, GCS_RESULTSTR, text.data(),
                                     static_cast<DWORD>(bytes));
        }
        ImmReleaseContext(edit, context);
    }
    return text;
}

LRESULT CALLBACK editWithWholeCommits(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_IME_COMPOSITION:
        if (lParam & GCS_RESULTSTR) {
            // One replacement, one change. Not passed on, so no WM_IME_CHAR follows.
            const std::wstring text = committedText(edit);
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
            // A new composition may start in the same message: that part goes on.
            if (const LPARAM rest = lParam & ~kResultFlags; rest != 0)
                return DefSubclassProc(edit, message, wParam, rest);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, editWithWholeCommits, kSubclassId);
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

void takeCommittedTextWhole(HWND edit) {
    SetWindowSubclass(edit, editWithWholeCommits, kSubclassId, 0);
}
