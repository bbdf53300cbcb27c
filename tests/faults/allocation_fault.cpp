#include "allocation_fault.h"

#include <cstdlib>
#include <new>

namespace {

// Bytes from which the next allocation fails; 0 while none is to fail. Per thread, so that
// no other thread of the toolkit meets the failure meant for the window's.
thread_local std::size_t failingFrom = 0;
thread_local bool failed = false;

} // namespace

void failNextAllocation(std::size_t bytes) {
    failingFrom = bytes > 0 ? bytes : 1;
    failed = false;
}

bool allocationFailed() {
    failingFrom = 0;
    return failed;
}

void* operator new(std::size_t size) {
    if (failingFrom != 0 && size >= failingFrom) {
        failingFrom = 0;
        failed = true;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size > 0 ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
