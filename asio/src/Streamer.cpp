#include "Streamer.h"

#include <mmsystem.h>


#include "win/Device.h"

namespace quorviasio {

namespace {

// A host's buffer switch that has not returned by then is not waited for
// any longer, nor a thread that does not end.
constexpr DWORD kSwitchWaitMs = 5000;
constexpr DWORD kThreadEndMs = 5000;

// The routine the kernel driver queues at every boundary: its call only ends
// the streaming thread's alertable wait, and it carries nothing.
void CALLBACK Wake(ULONG_PTR) {}

quorvi::TwoWordRequest Registration() {
    return {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&Wake)), quorvi::kCallbackFilter};
}

}  // namespace

void HostLink::connect(const ASIOCallbacks& c) {
    callbacks = c;
    connected_ = true;
}

long HostLink::message(long selector) const {
    return connected_ && callbacks.asioMessage ? callbacks.asioMessage(selector, 0, nullptr, nullptr) : 0;
}

void HostLink::sampleRateDidChange(double rate) const {
    if (connected_ && callbacks.sampleRateDidChange) callbacks.sampleRateDidChange(rate);
}

bool Streamer::launch(HANDLE device) {
    device_ = device;
    quit_.store(false);
    registered_.store(false);
    ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ready_) return false;
    thread_ = CreateThread(nullptr, 0, Main, this, 0, &threadId_);
    if (thread_) {
        // A switch that comes late is heard.
        SetThreadPriority(thread_, THREAD_PRIORITY_TIME_CRITICAL);
        HANDLE either[2] = {ready_, thread_};
        WaitForMultipleObjects(2, either, FALSE, INFINITE);
    }
    CloseHandle(ready_);
    ready_ = nullptr;
    if (registered_.load()) return true;
    shutdown();
    return false;
}

bool Streamer::shutdown() {
    if (!thread_) return true;
    quit_.store(true);
    QueueUserAPC(Wake, thread_, 0);
    if (WaitForSingleObject(thread_, kThreadEndMs) != WAIT_OBJECT_0) return false;
    CloseHandle(thread_);
    thread_ = nullptr;
    threadId_ = 0;
    return true;
}

DWORD WINAPI Streamer::Main(void* self) {
    static_cast<Streamer*>(self)->run();
    return 0;
}

void Streamer::run() {
    const quorvi::TwoWordRequest registration = Registration();
    const bool registered =
        win::DeviceControl(device_, quorvi::QUORVI_SET_CALLBACK, &registration, sizeof registration, nullptr, 0, nullptr);
    registered_.store(registered);
    SetEvent(ready_);
    if (!registered) return;
    for (;;) {
        SleepEx(INFINITE, TRUE);
        if (quit_.load()) break;
        onWake();
    }
    win::DeviceControl(device_, quorvi::QUORVI_CLEAR_CALLBACK, &registration, sizeof registration, nullptr, 0, nullptr);
}

void Streamer::attach(quorvi::ChannelRecord* status, const ASIOCallbacks& callbacks, double rate) {
    status_ = status;
    host_.connect(callbacks);
    record_ = ASIOTime{};
    record_.timeInfo.sampleRate = rate;
    record_.timeCode.speed = 1.0;
    setRate(rate);
}

void Streamer::detach() { status_ = nullptr; }

void Streamer::prime(long blockSize) {
    tracker_.start(blockSize, rate_.load(std::memory_order_relaxed));
    publish(0, 0);
    // A wake left over from before this start then names the half start
    // hands over last, and is passed by.
    __atomic_store_n(&status_->status, 0u, __ATOMIC_RELEASE);
    const std::uint32_t stamps[2] = {shared(status_->time0), shared(status_->time1)};
    for (int half = 0; half < 2; ++half) handOver({half, 0, stamps[half]}, 0);
}

void Streamer::halt() {
    running_.store(false, std::memory_order_seq_cst);
    if (GetCurrentThreadId() == threadId_) return;
    const DWORD since = GetTickCount();
    while (switching_.load(std::memory_order_seq_cst) && GetTickCount() - since < kSwitchWaitMs) Sleep(1);
}

void Streamer::onWake() {
    // Announced before running is looked at, so that halt, which clears
    // running before it looks at this, either stops the hand-over here or
    // waits for it.
    switching_.store(true, std::memory_order_seq_cst);
    if (running_.load(std::memory_order_seq_cst)) {
        const std::uint32_t status = shared(status_->status);
        const std::uint32_t stamps[2] = {shared(status_->time0), shared(status_->time1)};
        if (auto h = tracker_.wake(status, stamps, timeGetTime())) {
            publish(h->position, h->timeMs);
            handOver(*h, status);
        }
    }
    switching_.store(false, std::memory_order_release);
}

void Streamer::handOver(const HalfTracker::Handover& h, std::uint32_t status) {
    const ASIOCallbacks& c = host_.callbacks;
    if (timecodeRead_.load(std::memory_order_relaxed) && timecodeAvailable_.load(std::memory_order_relaxed) &&
        c.bufferSwitchTimeInfo) {
        const std::uint32_t timecode = shared(h.half == 0 ? status_->timecode0 : status_->timecode1);
        FillTimeRecord(record_, rate_.load(std::memory_order_relaxed), h, timecode, status);
        c.bufferSwitchTimeInfo(&record_, h.half, ASIOFalse);
    } else {
        c.bufferSwitch(h.half, ASIOFalse);
    }
}

void Streamer::publish(std::uint64_t position, std::uint32_t timeMs) {
    const std::uint32_t s = sequence_.load(std::memory_order_relaxed);
    sequence_.store(s + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    positionHi_.store(static_cast<std::uint32_t>(position >> 32), std::memory_order_relaxed);
    positionLo_.store(static_cast<std::uint32_t>(position), std::memory_order_relaxed);
    switchMs_.store(timeMs, std::memory_order_relaxed);
    sequence_.store(s + 2, std::memory_order_release);
}

void Streamer::position(ASIOSamples& samples, ASIOTimeStamp& stamp) const {
    std::uint32_t before, after, hi, lo, ms;
    do {
        before = sequence_.load(std::memory_order_acquire);
        hi = positionHi_.load(std::memory_order_relaxed);
        lo = positionLo_.load(std::memory_order_relaxed);
        ms = switchMs_.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        after = sequence_.load(std::memory_order_relaxed);
    } while ((before & 1) || before != after);
    samples = {hi, lo};
    stamp = NanosecondsOf(ms);
}

}  // namespace quorviasio
