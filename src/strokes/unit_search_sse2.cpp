#include "unit_search_kernels.h"

#if QUORVEL_X86_KERNELS

#include <bit>
#include <emmintrin.h>

namespace {

constexpr std::size_t kWidth = 8; // units per vector

__m128i equalUnits(const char16_t* at, __m128i needle) {
    return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), needle);
}

// Index of the first equal unit in a compare result, or -1.
int firstEqual(__m128i equal) {
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(equal));
    return mask == 0 ? -1 : std::countr_zero(mask) / 2;
}

} // namespace

std::ptrdiff_t unit_search::FindSse2(const char16_t* data, std::size_t size, char16_t unit) {
    const __m128i needle = _mm_set1_epi16(static_cast<short>(unit));
    std::size_t i = 0;
    // 32 units a step, the four compares folded into one test: a miss costs one branch.
    for (; i + 4 * kWidth <= size; i += 4 * kWidth) {
        const __m128i any = _mm_or_si128(
            _mm_or_si128(equalUnits(data + i, needle), equalUnits(data + i + kWidth, needle)),
            _mm_or_si128(equalUnits(data + i + 2 * kWidth, needle),
                         equalUnits(data + i + 3 * kWidth, needle)));
        if (_mm_movemask_epi8(any) != 0)
            break; // the loop below pins the hit down inside this block
    }
    for (; i + kWidth <= size; i += kWidth) {
        if (const int at = firstEqual(equalUnits(data + i, needle)); at >= 0)
            return std::ptrdiff_t(i) + at;
    }
    for (; i < size; ++i) {
        if (data[i] == unit)
            return std::ptrdiff_t(i);
    }
    return -1;
}

#endif
