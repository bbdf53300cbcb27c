#pragma once

#include <QtGlobal>

// Index of the first occurrence of `unit` in data[0, size), or -1. A vectorised linear
// scan: the stroke table is searched without an index, so this is the whole look-up cost.
qsizetype FindCodeUnit(const char16_t* data, qsizetype size, char16_t unit);
