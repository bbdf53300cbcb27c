#include "unit_search.h"

#include <bit>
#include <string_view>

// x86-64 always has SSE2; MSVC says so only through _M_X64.
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>

std::ptrdiff_t FindCodeUnit(const char16_t* data, std::size_t size, char16_t unit) {
    const __m128i needle = _mm_set1_epi16(static_cast<short>(unit));
    const auto compare = [&](std::size_t at) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        return _mm_cmpeq_epi16(units, needle);
    };
    std::size_t i = 0;
    // 32 units a step, the four compares folded into one test: a miss costs one branch.
    for (; i + 32 <= size; i += 32) {
        const __m128i any = _mm_or_si128(_mm_or_si128(compare(i), compare(i + 8)),
                                         _mm_or_si128(compare(i + 16), compare(i + 24)));
        if (_mm_movemask_epi8(any) != 0)
            break; // the 8-unit loop below pins the hit down inside this block
    }
    for (; i + 8 <= size; i += 8) {
        if (const int mask = _mm_movemask_epi8(compare(i)); mask != 0)
            return static_cast<std::ptrdiff_t>(i) +
                   std::countr_zero(static_cast<unsigned>(mask)) / 2;
    }
    for (; i < size; ++i) {
        if (data[i] == unit)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

#else

std::ptrdiff_t FindCodeUnit(const char16_t* data, std::size_t size, char16_t unit) {
    const auto at = std::u16string_view(data, size).find(unit);
    return at == std::u16string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

#endif
