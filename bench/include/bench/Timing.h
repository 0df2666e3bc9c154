#pragma once
// The time each of a number of calls takes, in microseconds.
#include <windows.h>

#include <vector>

namespace bench {

template <class Call>
std::vector<double> Time(int calls, Call call) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> us;
    for (int i = 0; i < calls; ++i) {
        QueryPerformanceCounter(&start);
        call();
        QueryPerformanceCounter(&end);
        us.push_back((end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart);
    }
    return us;
}

}  // namespace bench
