#pragma once

// The kernels behind FindCodeUnit. Those past SSE2 must only be called once the running
// CPU and OS are known to support them (x86_vector_support.h).

#include <cstddef>

#if defined(__x86_64__) || defined(_M_X64)
#define QUORVEL_X86_KERNELS 1
#else
#define QUORVEL_X86_KERNELS 0
#endif

// GCC and clang compile each wider kernel for its own instruction set, leaving the rest of
// the program at the x86-64 baseline; MSVC takes the intrinsics without being asked.
#if defined(__GNUC__)
#define QUORVEL_TARGET(isa) __attribute__((target(isa)))
#else
#define QUORVEL_TARGET(isa)
#endif

namespace unit_search {

std::ptrdiff_t FindPortable(const char16_t* data, std::size_t size, char16_t unit);

#if QUORVEL_X86_KERNELS
std::ptrdiff_t FindSse2(const char16_t* data, std::size_t size, char16_t unit);
std::ptrdiff_t FindAvx2(const char16_t* data, std::size_t size, char16_t unit);
std::ptrdiff_t FindAvx512Bw(const char16_t* data, std::size_t size, char16_t unit);
#endif

} // namespace unit_search
