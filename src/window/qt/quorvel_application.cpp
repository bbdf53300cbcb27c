#include "quorvel_application.h"

#include "run_time_error.h"

#include <cstdlib>
#include <exception>

namespace {

// Set while the message of an error is up: the program ends once the user has read it.
bool ending = false;

} // namespace

bool QuorvelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        // An error raised while the message is up (the same fault, met again as the
        // window repaints under it) leaves that message alone.
        if (ending)
            return false;
        ending = true;
        try {
            showRunTimeError(activeWindow(), error);
        } catch (const std::exception&) {
            // Not even the message could be shown: the program still ends as promised.
        }
        // At once, as the Windows build does: the handler stopped half-way, so nothing
        // more of the window may run, not even its closing.
        std::_Exit(EXIT_FAILURE);
    }
}
