#pragma once

#include "stroke_table.h"

#include <string>
#include <string_view>

// What a look-up asks the window to show.
struct LookupOutcome {
    enum Kind {
        Skipped,  // the key is a space or a digit (an empty input included): show nothing new
        NotFound, // the table lacks the key: the input is to be emptied
        Found,    // resultText holds e.g. "字:6划"
    };
    Kind kind = Skipped;
    std::u16string resultText;

    friend bool operator==(const LookupOutcome&, const LookupOutcome&) = default;
};

// Looks up the first UTF-16 unit of `text` in `table`. Only ASCII digits count as
// numeric: a full-width digit is an ordinary character the table lacks (NotFound).
LookupOutcome LookupStrokes(const StrokeTable& table, std::u16string_view text);
