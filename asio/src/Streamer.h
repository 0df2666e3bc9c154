#pragma once
// The streaming side of a driver object: the thread the kernel driver wakes
// at every block boundary, the hand-over of each finished half to the host,
// and the sample position the host reads meanwhile. Nothing on this path
// allocates, copies samples or takes a lock: the host thread and the
// streaming thread meet through atomics only.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "Switching.h"
#include "asio/Asio.h"
#include "quorvi/DriverRequests.h"

namespace quorviasio {

// The host's callbacks and what it said it supports. The record is copied
// from createBuffers, so the host's own may go away.
class HostLink {
public:
    void connect(const ASIOCallbacks& callbacks);
    bool connected() const { return connected_; }
    long message(long selector) const;
    void sampleRateDidChange(double rate) const;

    ASIOCallbacks callbacks{};

private:
    bool connected_ = false;
};

class Streamer {
public:
    Streamer() = default;
    Streamer(const Streamer&) = delete;
    Streamer& operator=(const Streamer&) = delete;

    // Starts the thread and registers it for wakes on `device`; false when
    // either failed, with nothing left running.
    bool launch(HANDLE device);
    // Ends the thread, which unregisters first. False when it did not end in
    // time: it may still run the driver's code and must be left its object.
    bool shutdown();
    bool launched() const { return thread_ != nullptr; }

    // Buffers created and disposed: the status record and the host.
    void attach(quorvi::ChannelRecord* status, const ASIOCallbacks& callbacks, double rate);
    void detach();
    HostLink& host() { return host_; }
    const HostLink& host() const { return host_; }

    // Time-info and time-code choices of the host (future and createBuffers).
    void setTimeInfo(bool supported) { timeInfo_.store(supported, std::memory_order_relaxed); }
    bool timeInfo() const { return timeInfo_.load(std::memory_order_relaxed); }
    void setTimecodeRead(bool on) { timecodeRead_.store(on, std::memory_order_relaxed); }
    void setTimecodeAvailable(bool on) { timecodeAvailable_.store(on, std::memory_order_relaxed); }
    void setRate(double rate) { rate_.store(rate, std::memory_order_relaxed); }

    // Start: position 0, both halves to the host on the caller's thread,
    // then wakes count once armed (before the transfer starts, so its first
    // boundary is not missed). `halt` ends the hand-overs and waits for one
    // in progress, unless called from inside it.
    void prime(long blockSize);
    void arm() { running_.store(true, std::memory_order_seq_cst); }
    void halt();
    bool running() const { return running_.load(std::memory_order_seq_cst); }

    void position(ASIOSamples& samples, ASIOTimeStamp& stamp) const;

private:
    static DWORD WINAPI Main(void* self);
    void run();
    void onWake();
    void handOver(const HalfTracker::Handover& h, std::uint32_t status);
    void publish(std::uint64_t position, std::uint32_t timeMs);
    std::uint32_t shared(const std::uint32_t& word) const { return __atomic_load_n(&word, __ATOMIC_ACQUIRE); }

    HANDLE device_ = INVALID_HANDLE_VALUE;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    HANDLE ready_ = nullptr;
    std::atomic<bool> registered_{false};
    std::atomic<bool> quit_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> switching_{false};

    // Read by the streaming thread once armed; set while it is not.
    quorvi::ChannelRecord* status_ = nullptr;
    HostLink host_;
    ASIOTime record_{};
    HalfTracker tracker_;

    std::atomic<bool> timeInfo_{false};
    std::atomic<bool> timecodeRead_{false};
    std::atomic<bool> timecodeAvailable_{false};
    std::atomic<double> rate_{0};

    // Position and stamp of the last hand-over, written by one thread at a
    // time under a sequence count that readers retry on.
    std::atomic<std::uint32_t> sequence_{0};
    std::atomic<std::uint32_t> positionHi_{0}, positionLo_{0}, switchMs_{0};
};

}  // namespace quorviasio
