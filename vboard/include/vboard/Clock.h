#pragma once
// Time source of the board model: real time inside quorvisim, a clock that a
// test steps by hand inside a test process.
#include <atomic>
#include <cstdint>

namespace vboard {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t nowMicros() const = 0;
    // The multimedia timer's milliseconds, the clock of the streaming time
    // stamps.
    virtual std::uint32_t milliseconds() const = 0;
};

class RealClock : public Clock {
public:
    RealClock();
    std::uint64_t nowMicros() const override;
    std::uint32_t milliseconds() const override;

private:
    std::int64_t frequency_;
    std::int64_t start_;
};

class ManualClock : public Clock {
public:
    std::uint64_t nowMicros() const override { return now_; }
    std::uint32_t milliseconds() const override { return static_cast<std::uint32_t>(now_ / 1000); }
    void advanceMicros(std::uint64_t us) { now_ += us; }

private:
    std::atomic<std::uint64_t> now_{0};
};

}  // namespace vboard
