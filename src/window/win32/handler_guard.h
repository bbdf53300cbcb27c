#pragma once

#include "run_time_error.h"

#include <exception>

#include <windows.h>

// Runs `handler`, the body of a window or subclass procedure or of a method that a screen
// reader calls. No exception may cross the frames of Windows (user32, comctl32, COM) that
// called it, so an error the handler raises ends here: the run-time error message, owned by
// `window`'s top-level window, then the end of the program with status 1. An error raised
// while that message is up (the same fault met again as the window repaints under it) is
// answered with `whileShowing()` instead, and the message stays until the user closes it.
template <typename Handler, typename Fallback>
auto guarded(HWND window, Handler&& handler, Fallback&& whileShowing) noexcept
    -> decltype(handler()) {
    try {
        return handler();
    } catch (const std::exception& error) {
        if (!showingRunTimeError())
            endWithRunTimeError(window, error);
    }
    return whileShowing();
}
