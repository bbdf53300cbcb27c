// Vector support off x86 (x86_vector_support.cpp asks CPUID there): where the target's
// baseline has the vector unit, it is there; where it is optional, Linux tells whether
// the CPU has it and the kernel saves it, in the hardware capabilities of the auxiliary
// vector.
#include "vector_support.h"

#include "unit_search_kernels.h"

#if !defined(__x86_64__) && !defined(__i386__) && !defined(_M_X64)

#if defined(QUORVEL_VECTOR_AT_RUN_TIME)
#include <sys/auxv.h>

namespace {

// The kernel's own bit numbers (asm/hwcap.h).
#if defined(__arm__)
constexpr unsigned long kVectorHwcap = 1ul << 12; // HWCAP_NEON
#elif defined(__s390x__)
constexpr unsigned long kVectorHwcap = 1ul << 11; // HWCAP_S390_VXRS
#else
constexpr unsigned long kVectorHwcap = 1ul << 4; // HWCAP_LOONGARCH_LSX
#endif

VectorSupport detect() {
    VectorSupport support;
    support.vector128 = (getauxval(AT_HWCAP) & kVectorHwcap) != 0;
    return support;
}

} // namespace

#else

namespace {

VectorSupport detect() {
    VectorSupport support;
    support.vector128 = QUORVEL_VECTOR_KERNEL != 0; // in the baseline, or no such unit
    return support;
}

} // namespace

#endif

const VectorSupport& RunningVectorSupport() {
    static const VectorSupport support = detect();
    return support;
}

#endif
