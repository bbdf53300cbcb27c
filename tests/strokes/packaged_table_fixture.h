#pragma once

#include "stroke_table.h"

#include <string>

// The packaged table, read once per test program through the platform's own loader: the
// Qt resource and iconv on Linux, FindResource and MultiByteToWideChar on Windows.
inline const StrokeTable& packagedTable() {
    static const StrokeTable table = LoadStrokeTable();
    return table;
}

// "U+4E00" for failure messages, which cannot always show the character itself.
inline std::string unitName(char16_t unit) {
    static const char digits[] = "0123456789ABCDEF";
    std::string name = "U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        name += digits[(unit >> shift) & 0xF];
    return name;
}
