#pragma once

#include <cstddef>

// Index of the first occurrence of `unit` in data[0, size), or -1. A vectorised linear
// scan: the stroke table is searched without an index, so this is the whole look-up cost.
// It runs on the widest vector unit the machine has, chosen on the first call.
std::ptrdiff_t FindCodeUnit(const char16_t* data, std::size_t size, char16_t unit);
