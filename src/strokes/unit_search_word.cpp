// The kernel for CPUs without a vector unit: a register's worth of units at a time (four
// on 64-bit machines, two on 32-bit ones), in plain C++.
#include "unit_search_kernels.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

using Word = std::uintptr_t;
constexpr std::size_t kWidth = sizeof(Word) / sizeof(char16_t); // units per word
constexpr Word kOnes = ~Word(0) / 0xFFFF;                       // 0x0001 in every unit
constexpr Word kLow15 = kOnes * 0x7FFF;
constexpr Word kHigh = kOnes * 0x8000;

// Bit 15 of every unit of `word` that is zero, and no other bit. Exact, unlike the shorter
// (x - 1) & ~x form, whose borrow can mark the unit above a zero one: on a big-endian
// machine that unit comes first in memory.
Word zeroUnits(Word word) {
    return ~(((word & kLow15) + kLow15) | word) & kHigh;
}

// The index within a word of its first unit in memory that `zeros` marks (not none).
std::size_t firstMarked(Word zeros) {
    const int bit = std::endian::native == std::endian::little ? std::countr_zero(zeros)
                                                               : std::countl_zero(zeros);
    return std::size_t(bit) / 16;
}

Word loadAligned(const char16_t* at) {
    Word word;
    // Aligned, so that machines where unaligned loads trap or crawl (RISC-V) load it whole.
#if defined(__GNUC__)
    std::memcpy(&word, __builtin_assume_aligned(at, sizeof(Word)), sizeof word);
#else
    std::memcpy(&word, at, sizeof word);
#endif
    return word;
}

} // namespace

std::ptrdiff_t unit_search::FindWord(const char16_t* data, std::size_t size, char16_t unit) {
    std::size_t i = 0;
    // Unit by unit up to the first word boundary.
    const std::size_t misaligned = reinterpret_cast<std::uintptr_t>(data) % sizeof(Word);
    for (const std::size_t head = (sizeof(Word) - misaligned) % sizeof(Word) / sizeof(char16_t);
         i < head && i < size; ++i) {
        if (data[i] == unit)
            return std::ptrdiff_t(i);
    }
    const Word needle = kOnes * unit;
    // Two words a step, their tests folded into one branch.
    for (; i + 2 * kWidth <= size; i += 2 * kWidth) {
        if ((zeroUnits(loadAligned(data + i) ^ needle) |
             zeroUnits(loadAligned(data + i + kWidth) ^ needle)) != 0)
            break; // the loop below pins the hit down
    }
    for (; i + kWidth <= size; i += kWidth) {
        if (const Word zeros = zeroUnits(loadAligned(data + i) ^ needle); zeros != 0)
            return std::ptrdiff_t(i + firstMarked(zeros));
    }
    for (; i < size; ++i) {
        if (data[i] == unit)
            return std::ptrdiff_t(i);
    }
    return -1;
}
