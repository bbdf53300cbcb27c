#include "committed_text.h"

#include "handler_guard.h"
#include "system_library.h"

#include <imm.h>

#include <string>

namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr LPARAM kResultFlags =
    GCS_RESULTSTR | GCS_RESULTCLAUSE | GCS_RESULTREADSTR | GCS_RESULTREADCLAUSE;

// The subclass's reference data: whether the box shows text of the current composition.
constexpr DWORD_PTR kNothingComposed = 0;
constexpr DWORD_PTR kComposing = 1;

std::wstring compositionString(HWND edit, DWORD which) {
    std::wstring text;
    if (HIMC context = ImmGetContext(edit)) {
        const LONG bytes = ImmGetCompositionStringW(context, which, nullptr, 0);
        if (bytes > 0) {
            text.resize(static_cast<size_t>(bytes) / sizeof(wchar_t));
            ImmGetCompositionStringW(context, which, text.data(), static_cast<DWORD>(bytes));
        }
        ImmReleaseContext(edit, context);
    }
    return text;
}

LRESULT CALLBACK editWithWholeCommits(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR composing);

void setComposing(HWND edit, DWORD_PTR composing) {
    comctl32::SetWindowSubclass(edit, editWithWholeCommits, kSubclassId, composing);
}

LRESULT handleMessage(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR composing) {
    switch (message) {
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
        setComposing(edit, kNothingComposed);
        break;
    case WM_IME_COMPOSITION:
        if (lParam & GCS_RESULTSTR) {
            // One replacement, one change. Not passed on, so no WM_IME_CHAR follows.
            const std::wstring text = compositionString(edit, GCS_RESULTSTR);
            SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
            // A new composition may start in the same message: that part goes on.
            lParam &= ~kResultFlags;
            if (lParam == 0)
                return 0;
        }
        // The first composition text replaces the selection. A composition that has
        // nothing yet (Wine 10 opens one for ibus's emptied preedit after a commit) must
        // leave the selected result alone.
        if ((lParam & GCS_COMPSTR) && composing == kNothingComposed) {
            if (compositionString(edit, GCS_COMPSTR).empty())
                return 0;
            setComposing(edit, kComposing);
        }
        return comctl32::DefSubclassProc(edit, message, wParam, lParam);
    case WM_NCDESTROY:
        comctl32::RemoveWindowSubclass(edit, editWithWholeCommits, kSubclassId);
        break;
    }
    return comctl32::DefSubclassProc(edit, message, wParam, lParam);
}

LRESULT CALLBACK editWithWholeCommits(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR composing) {
    return guarded(
        edit, [&] { return handleMessage(edit, message, wParam, lParam, composing); },
        [&] { return comctl32::DefSubclassProc(edit, message, wParam, lParam); });
}

} // namespace

void takeCommittedTextWhole(HWND edit) {
    setComposing(edit, kNothingComposed);
}
