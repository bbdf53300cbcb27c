#include "vector_support.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <cpuid.h>
#define QUORVEL_CPUID 1
#elif defined(_M_X64)
#include <intrin.h>
#define QUORVEL_CPUID 1
#endif

#ifdef QUORVEL_CPUID

#include <cstdint>

namespace {

struct Registers {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

Registers cpuid(unsigned leaf, unsigned subleaf) {
    Registers r;
#if defined(__GNUC__)
    __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
#else
    int regs[4];
    __cpuidex(regs, int(leaf), int(subleaf));
    r = {unsigned(regs[0]), unsigned(regs[1]), unsigned(regs[2]), unsigned(regs[3])};
#endif
    return r;
}

// XCR0: the register states the OS saves. Only to be read when CPUID reports OSXSAVE.
std::uint64_t savedStates() {
#if defined(__GNUC__)
    // Inline rather than _xgetbv, which GCC offers only to code compiled for XSAVE.
    unsigned low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (std::uint64_t(high) << 32) | low;
#else
    return _xgetbv(0);
#endif
}

bool has(unsigned reg, int bit) {
    return (reg >> bit) & 1u;
}

VectorSupport detect() {
    VectorSupport support;
    const unsigned leaves = cpuid(0, 0).eax;
    const Registers features = cpuid(1, 0);
    // Every x86-64 has SSE2; a 32-bit x86 says so in CPUID.
    support.vector128 = sizeof(void*) == 8 || has(features.edx, 26);
    if (leaves < 7)
        return support; // no leaf 7: neither AVX2 nor AVX-512
    if (!has(features.ecx, 27) || !has(features.ecx, 28))
        return support; // no OSXSAVE (XGETBV unusable) or no AVX
    const std::uint64_t saved = savedStates();
    constexpr std::uint64_t kXmmYmm = 0x6;     // bits 1, 2
    constexpr std::uint64_t kOpmaskZmm = 0xE0; // bits 5, 6, 7
    if ((saved & kXmmYmm) != kXmmYmm)
        return support;
    const Registers extended = cpuid(7, 0);
    support.avx2 = has(extended.ebx, 5);
    support.avx512bw = has(extended.ebx, 16) /* AVX512F */ && has(extended.ebx, 30) /* BW */ &&
                       (saved & kOpmaskZmm) == kOpmaskZmm;
    return support;
}

} // namespace

const VectorSupport& RunningVectorSupport() {
    static const VectorSupport support = detect();
    return support;
}

#endif
