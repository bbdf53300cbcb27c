#include "unit_search.h"

#include "unit_search_kernels.h"
#include "unit_search_paths.h"
#include "x86_vector_support.h"

#include <atomic>
#include <string_view>

std::ptrdiff_t unit_search::FindPortable(const char16_t* data, std::size_t size, char16_t unit) {
    const auto at = std::u16string_view(data, size).find(unit);
    return at == std::u16string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

const char* unit_search::PathName(Path path) {
    switch (path) {
    case Path::Portable:
        return "portable";
    case Path::Sse2:
        return "SSE2";
    case Path::Avx2:
        return "AVX2";
    case Path::Avx512Bw:
        return "AVX-512BW";
    }
    return "?";
}

unit_search::Kernel unit_search::PathKernel(Path path) {
    switch (path) {
    case Path::Portable:
        return FindPortable;
#if QUORVEL_X86_KERNELS
    case Path::Sse2:
        return FindSse2;
    case Path::Avx2:
        return RunningX86VectorSupport().avx2 ? FindAvx2 : nullptr;
    case Path::Avx512Bw:
        return RunningX86VectorSupport().avx512bw ? FindAvx512Bw : nullptr;
#endif
    default:
        return nullptr;
    }
}

unit_search::Path unit_search::ChosenPath() {
    Path widest = Path::Portable;
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
