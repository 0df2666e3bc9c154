#pragma once
// The time each of a number of calls takes, in microseconds, and how the
// times spread.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

namespace bench {

inline double Microseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1e6 / frequency.QuadPart;
}

template <class Call>
std::vector<double> Time(int calls, Call call) {
    std::vector<double> us;
    us.reserve(calls);
    LARGE_INTEGER start, end;
    for (int i = 0; i < calls; ++i) {
        QueryPerformanceCounter(&start);
        call();
        QueryPerformanceCounter(&end);
        us.push_back(Microseconds(end.QuadPart - start.QuadPart));
    }
    return us;
}

struct Spread {
    size_t n = 0;
    double median = 0, p99 = 0, mean = 0, max = 0;
};

inline Spread Spreading(std::vector<double> us) {
    Spread s;
    if (us.empty()) return s;
    std::sort(us.begin(), us.end());
    s.n = us.size();
    s.median = us[us.size() / 2];
    s.p99 = us[us.size() * 99 / 100];
    s.mean = std::accumulate(us.begin(), us.end(), 0.0) / us.size();
    s.max = us.back();
    return s;
}

// One line of figures; `extra` ends it (a request count, say).
inline void Print(const char* what, const std::vector<double>& us, const char* extra = "") {
    Spread s = Spreading(us);
    std::printf("%-44s n=%zu  median %.0f us  p99 %.0f us  mean %.0f us  max %.0f us%s\n", what, s.n, s.median,
                s.p99, s.mean, s.max, extra);
}

}  // namespace bench
