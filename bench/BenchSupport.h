// Timing and reporting helpers shared by the benchmarks.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

inline double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the measured code and its baseline alternately, so both see the same machine load,
// and returns the median seconds of each.
inline std::pair<double, double> Alternate(int rounds, const std::function<void()>& measured,
                                           const std::function<void()>& baseline) {
    std::vector<double> m, b;
    for (int i = 0; i < rounds; ++i) {
        double t0 = Now();
        baseline();
        double t1 = Now();
        measured();
        double t2 = Now();
        b.push_back(t1 - t0);
        m.push_back(t2 - t1);
    }
    return {Median(m), Median(b)};
}

}  // namespace bench
