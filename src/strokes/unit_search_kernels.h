#pragma once

// The kernels behind FindCodeUnit, and which of them this build has. Every build has the
// word-at-a-time kernel. The 128-bit vector kernel is built where the target has a vector
// unit of that width: part of the baseline on x86-64, AArch64, 64-bit POWER and (since
// LoongArch64 v1.0) LoongArch; optional on 32-bit x86 and ARM and on s390x before z13,
// where it is compiled for the unit (QUORVEL_VECTOR_AT_RUN_TIME) and must only be called
// once the running CPU is known to have it (vector_support.h). So must the AVX kernels.

#include <cstddef>

// GCC and clang compile a kernel beyond the baseline for its own instruction set, leaving
// the rest of the program at the baseline; MSVC takes the intrinsics without being asked.
#if defined(__GNUC__)
#define QUORVEL_TARGET(isa) __attribute__((target(isa)))
#else
#define QUORVEL_TARGET(isa)
#endif

#if defined(__x86_64__) || defined(_M_X64)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "SSE2"
#elif defined(__i386__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET QUORVEL_TARGET("sse2")
#define QUORVEL_VECTOR_NAME "SSE2"
#define QUORVEL_VECTOR_AT_RUN_TIME 1
#elif defined(__aarch64__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "NEON"
#elif defined(__arm__) && defined(__ARM_NEON)
#define QUORVEL_VECTOR_KERNEL 1 // built for a CPU that has it
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "NEON"
#elif defined(__arm__) && defined(__linux__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET QUORVEL_TARGET("fpu=neon")
#define QUORVEL_VECTOR_NAME "NEON"
#define QUORVEL_VECTOR_AT_RUN_TIME 1
#elif defined(__powerpc64__) && defined(__VSX__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "VSX"
#elif defined(__s390x__) && defined(__VX__)
#define QUORVEL_VECTOR_KERNEL 1 // built for z13 or later
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "z13-vector"
#elif defined(__s390x__) && defined(__linux__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET QUORVEL_TARGET("arch=z13")
#define QUORVEL_VECTOR_NAME "z13-vector"
#define QUORVEL_VECTOR_AT_RUN_TIME 1
#elif defined(__loongarch64) && defined(__loongarch_sx)
#define QUORVEL_VECTOR_KERNEL 1 // LoongArch64 v1.0, Debian's baseline since GCC 14, has LSX
#define QUORVEL_VECTOR_TARGET
#define QUORVEL_VECTOR_NAME "LSX"
#elif defined(__loongarch64) && defined(__linux__)
#define QUORVEL_VECTOR_KERNEL 1
#define QUORVEL_VECTOR_TARGET QUORVEL_TARGET("lsx")
#define QUORVEL_VECTOR_NAME "LSX"
#define QUORVEL_VECTOR_AT_RUN_TIME 1
#else
#define QUORVEL_VECTOR_KERNEL 0
#endif

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__)
#define QUORVEL_AVX_KERNELS 1
#else
#define QUORVEL_AVX_KERNELS 0
#endif

namespace unit_search {

std::ptrdiff_t FindWord(const char16_t* data, std::size_t size, char16_t unit);

#if QUORVEL_VECTOR_KERNEL
std::ptrdiff_t FindVector(const char16_t* data, std::size_t size, char16_t unit);
#endif

#if QUORVEL_AVX_KERNELS
std::ptrdiff_t FindAvx2(const char16_t* data, std::size_t size, char16_t unit);
std::ptrdiff_t FindAvx512Bw(const char16_t* data, std::size_t size, char16_t unit);
#endif

} // namespace unit_search
