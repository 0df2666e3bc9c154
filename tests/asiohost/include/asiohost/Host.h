#pragma once
// The host's side of the callbacks. The interface's callbacks carry no
// context, so one Host at a time receives them.
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "asio/Asio.h"

namespace asiohost {

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    ASIOCallbacks* callbacks() { return &callbacks_; }

    // What the host answers when asked.
    bool supportsTimeInfo = false;
    bool supportsTimeCode = false;
    // Run inside every buffer switch, on the thread that makes it; the
    // record is null for a plain bufferSwitch.
    std::function<void(long half, const ASIOTime* record)> onSwitch;

    int switches() const { return switches_.load(); }
    int timeInfoSwitches() const { return timeInfoSwitches_.load(); }
    long lastHalf() const { return lastHalf_.load(); }
    DWORD lastSwitchThread() const { return lastThread_.load(); }
    // True once `count` switches were made in all, within `ms`.
    bool waitSwitches(int count, DWORD ms) const;
    std::vector<double> rateChanges() const;
    // Selectors of asioMessage calls other than the questions asked at
    // buffer creation.
    std::vector<long> messages() const;

private:
    static void BufferSwitch(long half, ASIOBool direct);
    static ASIOTime* BufferSwitchTimeInfo(ASIOTime* record, long half, ASIOBool direct);
    static void SampleRateDidChange(ASIOSampleRate rate);
    static long AsioMessage(long selector, long value, void* message, double* option);
    void switched(long half, const ASIOTime* record);

    ASIOCallbacks callbacks_;
    std::atomic<int> switches_{0};
    std::atomic<int> timeInfoSwitches_{0};
    std::atomic<long> lastHalf_{-1};
    std::atomic<DWORD> lastThread_{0};
    mutable std::mutex lock_;
    std::vector<double> rateChanges_;
    std::vector<long> messages_;
};

}  // namespace asiohost
