#include "vboard/Clock.h"

#include <windows.h>
#include <mmsystem.h>

namespace vboard {

RealClock::RealClock() {
    LARGE_INTEGER v;
    QueryPerformanceFrequency(&v);
    frequency_ = v.QuadPart;
    QueryPerformanceCounter(&v);
    start_ = v.QuadPart;
}

std::uint64_t RealClock::nowMicros() const {
    LARGE_INTEGER v;
    QueryPerformanceCounter(&v);
    std::int64_t ticks = v.QuadPart - start_;
    return static_cast<std::uint64_t>(ticks / frequency_ * 1000000 + ticks % frequency_ * 1000000 / frequency_);
}

}  // namespace vboard

namespace vboard {

std::uint32_t RealClock::milliseconds() const { return timeGetTime(); }

}  // namespace vboard
