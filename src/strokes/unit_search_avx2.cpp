#include "unit_search_kernels.h"

#if QUORVEL_AVX_KERNELS

#include <bit>
#include <cstdint>
#include <immintrin.h>

namespace {

constexpr std::size_t kVectorBytes = sizeof(__m256i);
constexpr std::size_t kWidth = kVectorBytes / sizeof(char16_t); // units per vector

QUORVEL_TARGET("avx2") __m256i equalUnits(const char16_t* at, __m256i needle) {
    return _mm256_cmpeq_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), needle);
}

// Index of the first equal unit in a compare result, or -1.
QUORVEL_TARGET("avx2") int firstEqual(__m256i equal) {
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(equal));
    return mask == 0 ? -1 : std::countr_zero(mask) / 2;
}

} // namespace

QUORVEL_TARGET("avx2")
std::ptrdiff_t unit_search::FindAvx2(const char16_t* data, std::size_t size, char16_t unit) {
    if (size < kWidth)
        return FindVector(data, size, unit);
    const __m256i needle = _mm256_set1_epi16(static_cast<short>(unit));
    // One vector from the start, then the rest from the next 32-byte boundary on, so that
    // no load straddles two cache lines; the units read twice were found unequal.
    if (const int at = firstEqual(equalUnits(data, needle)); at >= 0)
        return at;
    std::size_t i =
        (kVectorBytes - reinterpret_cast<std::uintptr_t>(data) % kVectorBytes) / sizeof(char16_t);
    // 64 units (128 bytes) a step, the four compares folded into one test: a miss costs one
    // branch.
    for (; i + 4 * kWidth <= size; i += 4 * kWidth) {
        const __m256i any = _mm256_or_si256(
            _mm256_or_si256(equalUnits(data + i, needle), equalUnits(data + i + kWidth, needle)),
            _mm256_or_si256(equalUnits(data + i + 2 * kWidth, needle),
                            equalUnits(data + i + 3 * kWidth, needle)));
        if (!_mm256_testz_si256(any, any))
            break; // the loop below pins the hit down inside this block
    }
    for (; i + kWidth <= size; i += kWidth) {
        if (const int at = firstEqual(equalUnits(data + i, needle)); at >= 0)
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
