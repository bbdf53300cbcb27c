#include "unit_search.h"

#include "unit_search_kernels.h"
#include "unit_search_paths.h"
#include "vector_support.h"

#include <atomic>

const char* unit_search::PathName(Path path) {
    switch (path) {
    case Path::Word:
        return "word";
    case Path::Vector:
#if QUORVEL_VECTOR_KERNEL
        return QUORVEL_VECTOR_NAME;
#else
        return "vector";
#endif
    case Path::Avx2:
        return "AVX2";
    case Path::Avx512Bw:
        return "AVX-512BW";
    }
    return "?";
}

unit_search::Kernel unit_search::PathKernel(Path path) {
    switch (path) {
    case Path::Word:
        return FindWord;
#if QUORVEL_VECTOR_KERNEL
    case Path::Vector:
        return RunningVectorSupport().vector128 ? FindVector : nullptr;
#endif
#if QUORVEL_AVX_KERNELS
    case Path::Avx2:
        return RunningVectorSupport().avx2 ? FindAvx2 : nullptr;
    case Path::Avx512Bw:
        return RunningVectorSupport().avx512bw ? FindAvx512Bw : nullptr;
#endif
    default:
        return nullptr;
    }
}

unit_search::Path unit_search::ChosenPath() {
    Path widest = Path::Word;
    for (const Path path : kPaths) {
        if (PathKernel(path) != nullptr)
            widest = path;
    }
    return widest;
}

namespace {

std::ptrdiff_t chooseAndFind(const char16_t* data, std::size_t size, char16_t unit);

// Starts as the chooser, which puts the chosen kernel in its place on the first call. Two
// threads making that call at once both store the same kernel.
std::atomic<unit_search::Kernel> kernel{chooseAndFind};

std::ptrdiff_t chooseAndFind(const char16_t* data, std::size_t size, char16_t unit) {
    const unit_search::Kernel chosen = unit_search::PathKernel(unit_search::ChosenPath());
    kernel.store(chosen, std::memory_order_relaxed);
    return chosen(data, size, unit);
}

} // namespace

std::ptrdiff_t FindCodeUnit(const char16_t* data, std::size_t size, char16_t unit) {
    return kernel.load(std::memory_order_relaxed)(data, size, unit);
}
