#pragma once
// Clock and memory readings shared by the start-up programs and their driver.

#include <chrono>
#include <cstdio>
#include <cstring>

// std::chrono::steady_clock is CLOCK_MONOTONIC on Linux, the same clock in every process.
inline long long monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A "VmRSS:" style field of /proc/self/status, in KiB; -1 when it cannot be read.
inline long long statusKiB(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    long long value = -1;
    char line[256];
    const std::size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, length) == 0) {
            std::sscanf(line + length, "%lld", &value);
            break;
        }
    }
    std::fclose(status);
    return value;
}
