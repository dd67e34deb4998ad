// What the CHM benchmarks share: wall and CPU clocks, the median, and the hash that two readers'
// bytes are compared by.
#pragma once

#include <algorithm>
#include <chrono>
#include <stddef.h>
#include <stdint.h>
#include <sys/time.h>
#include <time.h>
#include <vector>

inline double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU time of this thread (user and system, page faults included): the machine may be shared, and
// wall time then measures the neighbours.
inline double CpuNow() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// User and system time of a child's or the children's resource use, in seconds.
inline double UsedCpu(const timeval& user, const timeval& system) {
    return static_cast<double>(user.tv_sec + system.tv_sec) +
           static_cast<double>(user.tv_usec + system.tv_usec) * 1e-6;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

const uint64_t kFnvStart = 0xcbf29ce484222325ull;

inline uint64_t Fnv(uint64_t h, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; i++)
        h = (h ^ p[i]) * 0x100000001b3ull;
    return h;
}
