#pragma once

// FindCodeUnit's kernels one by one, for the tests, the fuzzer and the benchmark. Internal
// to the core: the program only calls FindCodeUnit, which picks the widest kernel once.

#include "unit_search_kernels.h"

#include <cstddef>

namespace unit_search {

// Same contract as FindCodeUnit: index of the first `unit` in data[0, size), or -1.
using Kernel = std::ptrdiff_t (*)(const char16_t* data, std::size_t size, char16_t unit);

// Narrowest first. Every build has Word; Vector needs a 128-bit vector unit (SSE2, NEON,
// VSX, z13's, LSX), the AVX ones x86; each also needs a CPU and an OS that run it.
enum class Path { Word, Vector, Avx2, Avx512Bw };
// The paths this build has: its target's.
inline constexpr Path kPaths[] = {Path::Word,
#if QUORVEL_VECTOR_KERNEL
                                  Path::Vector,
#endif
#if QUORVEL_AVX_KERNELS
                                  Path::Avx2, Path::Avx512Bw
#endif
};

// The path's name on this build's target, e.g. "NEON" for Vector on ARM.
const char* PathName(Path path);

// The path's kernel, or nullptr when this build lacks it or this machine cannot run it.
Kernel PathKernel(Path path);

// The widest path this machine runs: the one FindCodeUnit uses.
Path ChosenPath();

} // namespace unit_search
