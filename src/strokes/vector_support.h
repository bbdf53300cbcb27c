#pragma once

// The vector units beyond the target's baseline that both the running CPU has and the OS
// saves across context switches; a unit the OS leaves off faults when used.
struct VectorSupport {
    bool vector128 = false; // the unit the 128-bit vector kernel is built for
    bool avx2 = false;
    bool avx512bw = false;
};

// Asked of the CPU (CPUID and XGETBV on x86) or of the kernel (the auxiliary vector's
// hardware capabilities) once per process.
const VectorSupport& RunningVectorSupport();
