#include "unit_search_kernels.h"

#if QUORVEL_AVX_KERNELS

#include <bit>
#include <cstdint>
#include <immintrin.h>

#define QUORVEL_AVX512BW QUORVEL_TARGET("avx512f,avx512bw")

namespace {

constexpr std::size_t kVectorBytes = sizeof(__m512i);
constexpr std::size_t kWidth = kVectorBytes / sizeof(char16_t); // units per vector

QUORVEL_AVX512BW __mmask32 equalUnits(const char16_t* at, __m512i needle) {
    return _mm512_cmpeq_epi16_mask(_mm512_loadu_si512(at), needle);
}

} // namespace

QUORVEL_AVX512BW
std::ptrdiff_t unit_search::FindAvx512Bw(const char16_t* data, std::size_t size, char16_t unit) {
    const __m512i needle = _mm512_set1_epi16(static_cast<short>(unit));
    std::size_t i = 0;
    // One vector from the start, then the rest from the next 64-byte boundary on, so that
    // no load straddles two cache lines; the units read twice were found unequal.
    if (size >= kWidth) {
        if (const __mmask32 equal = equalUnits(data, needle); equal != 0)
            return std::countr_zero(equal);
        i = (kVectorBytes - reinterpret_cast<std::uintptr_t>(data) % kVectorBytes) /
            sizeof(char16_t);
    }
    // 128 units (256 bytes) a step, the four compares folded into one test: a miss costs
    // one branch.
    for (; i + 4 * kWidth <= size; i += 4 * kWidth) {
        const __mmask32 any = equalUnits(data + i, needle) | equalUnits(data + i + kWidth, needle) |
                              equalUnits(data + i + 2 * kWidth, needle) |
                              equalUnits(data + i + 3 * kWidth, needle);
        if (any != 0)
            break; // the loop below pins the hit down inside this block
    }
    for (; i + kWidth <= size; i += kWidth) {
        if (const __mmask32 equal = equalUnits(data + i, needle); equal != 0)
            return std::ptrdiff_t(i + std::countr_zero(equal));
    }
    if (i == size)
        return -1;
    // The rest under a mask: masked-off units are neither read nor can they fault.
    const auto rest = static_cast<__mmask32>((1u << (size - i)) - 1);
    const __m512i units = _mm512_maskz_loadu_epi16(rest, data + i);
    const __mmask32 equal = _mm512_mask_cmpeq_epi16_mask(rest, units, needle);
    return equal == 0 ? -1 : std::ptrdiff_t(i + std::countr_zero(equal));
}

#endif
