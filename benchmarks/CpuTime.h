// CPU time for the benchmarks, in milliseconds.
#pragma once

#include <time.h>

namespace bench {

inline double cpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Of the calling thread only.
inline double threadCpuMs() {
    return cpuMs(CLOCK_THREAD_CPUTIME_ID);
}

// Of the whole process, all threads.
inline double processCpuMs() {
    return cpuMs(CLOCK_PROCESS_CPUTIME_ID);
}

}  // namespace bench
