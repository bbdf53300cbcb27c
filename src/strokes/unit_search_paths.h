#pragma once

// FindCodeUnit's kernels one by one, for the tests, the fuzzer and the benchmark. Internal
// to the core: the program only calls FindCodeUnit, which picks the widest kernel once.

#include <cstddef>

namespace unit_search {

// Same contract as FindCodeUnit: index of the first `unit` in data[0, size), or -1.
using Kernel = std::ptrdiff_t (*)(const char16_t* data, std::size_t size, char16_t unit);

// Narrowest first. Every build has Portable; the others need x86-64, and a CPU and an OS
// that run them.
enum class Path { Portable, Sse2, Avx2, Avx512Bw };
inline constexpr Path kPaths[] = {Path::Portable, Path::Sse2, Path::Avx2, Path::Avx512Bw};

const char* PathName(Path path);

// The path's kernel, or nullptr when this build lacks it or this machine cannot run it.
Kernel PathKernel(Path path);

// The widest path this machine runs: the one FindCodeUnit uses.
Path ChosenPath();

} // namespace unit_search
