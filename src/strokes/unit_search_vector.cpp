// The 128-bit vector kernel, written once with the compiler's vector extensions: each
// target's compiler turns it into SSE2, NEON, VSX, z13 vector or LSX code.
#include "unit_search_kernels.h"

#if QUORVEL_VECTOR_KERNEL

#include <bit>
#include <cstdint>

namespace {

using Units = std::uint16_t __attribute__((vector_size(16)));
using Halves = std::uint64_t __attribute__((vector_size(16)));
constexpr std::size_t kVectorBytes = sizeof(Units);
constexpr std::size_t kWidth = kVectorBytes / sizeof(char16_t); // units per vector

// Every helper carries the kernel's target, so that vector values never cross a call
// compiled for the baseline.
#define QUORVEL_VECTOR_HELPER QUORVEL_VECTOR_TARGET inline __attribute__((always_inline))

// The loads are the compiler's own memcpy: the C library's fortified one is an inline
// function for the baseline, which a function for another target may not take in.
QUORVEL_VECTOR_HELPER Units equalUnits(const char16_t* at, Units needle) {
    Units units;
    __builtin_memcpy(&units, at, sizeof units); // an unaligned load
    return Units(units == needle);
}

// The same from a 16-byte boundary, which lets a compare take its operand from memory.
QUORVEL_VECTOR_HELPER Units equalAlignedUnits(const char16_t* at, Units needle) {
    Units units;
    __builtin_memcpy(&units, __builtin_assume_aligned(at, kVectorBytes), sizeof units);
    return Units(units == needle);
}

// Two and eight aligned vectors' compares folded into one, as a tree, so that they run in
// parallel.
QUORVEL_VECTOR_HELPER Units equalInTwo(const char16_t* at, Units needle) {
    return equalAlignedUnits(at, needle) | equalAlignedUnits(at + kWidth, needle);
}
QUORVEL_VECTOR_HELPER Units equalInEight(const char16_t* at, Units needle) {
    return (equalInTwo(at, needle) | equalInTwo(at + 2 * kWidth, needle)) |
           (equalInTwo(at + 4 * kWidth, needle) | equalInTwo(at + 6 * kWidth, needle));
}

QUORVEL_VECTOR_HELPER bool anyEqual(Units equal) {
    const Halves halves = Halves(equal);
    return (halves[0] | halves[1]) != 0;
}

// Index of the first equal unit in a compare result, or -1. The vector's first unit lies
// in the low bits of its first half on a little-endian machine, in the high bits on a
// big-endian one.
QUORVEL_VECTOR_HELPER int firstEqual(Units equal) {
    const Halves halves = Halves(equal);
    for (int half = 0; half < 2; ++half) {
        if (const std::uint64_t bits = halves[half]; bits != 0) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(bits)
                                                                       : std::countl_zero(bits);
            return half * int(kWidth / 2) + bit / 16;
        }
    }
    return -1;
}

} // namespace

QUORVEL_VECTOR_TARGET
std::ptrdiff_t unit_search::FindVector(const char16_t* data, std::size_t size, char16_t unit) {
    if (size < kWidth)
        return FindWord(data, size, unit);
    Units needle;
    for (std::size_t lane = 0; lane < kWidth; ++lane)
        needle[lane] = unit;
    // One vector from the start, then the rest from the next 16-byte boundary on, so that
    // no load straddles two cache lines; the units read twice were found unequal.
    if (const int at = firstEqual(equalUnits(data, needle)); at >= 0)
        return at;
    std::size_t i =
        (kVectorBytes - reinterpret_cast<std::uintptr_t>(data) % kVectorBytes) / sizeof(char16_t);
    // Sixteen vectors (256 bytes) a step and one branch: with 16-byte loads, less leaves
    // the loop's own work in the way of the loads.
    for (; i + 16 * kWidth <= size; i += 16 * kWidth) {
        if (anyEqual(equalInEight(data + i, needle) | equalInEight(data + i + 8 * kWidth, needle)))
            break; // the loop below pins the hit down inside this step
    }
    for (; i + kWidth <= size; i += kWidth) {
        if (const int at = firstEqual(equalAlignedUnits(data + i, needle)); at >= 0)
            return std::ptrdiff_t(i + at);
    }
    if (i == size)
        return -1;
    // The last vector, ending at the end: the units it shares with the ones before were
    // found unequal, so its first equal unit is the first of all.
    const std::size_t last = size - kWidth;
    const int at = firstEqual(equalUnits(data + last, needle));
    return at < 0 ? -1 : std::ptrdiff_t(last + at);
}

#endif
