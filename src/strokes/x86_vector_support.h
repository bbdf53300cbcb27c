#pragma once

// The vector units beyond SSE2 (which every x86-64 has) that both the running CPU has and
// the OS saves across context switches; a CPU feature the OS leaves off faults when used.
struct X86VectorSupport {
    bool avx2 = false;
    bool avx512bw = false;
};

// Asked of CPUID and XGETBV once per process; all false off x86-64.
const X86VectorSupport& RunningX86VectorSupport();
