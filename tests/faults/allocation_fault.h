#pragma once

// Linked into test builds of the program: replaces the global operator new, so that a test
// can make one allocation fail as it fails when memory runs out, with std::bad_alloc.

#include <cstddef>

// The next allocation of at least `bytes` bytes (1: any) made on this thread fails; the
// ones after it succeed again.
void failNextAllocation(std::size_t bytes);

// Takes back a failure not yet met. True if it was met since failNextAllocation.
bool allocationFailed();
