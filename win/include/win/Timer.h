#pragma once
#include <windows.h>
#include <utility>

namespace win {

// A window timer (WM_TIMER with a chosen id) that is killed when its owner
// goes, so no tick reaches a window whose state is already gone.
class Timer {
public:
    Timer() = default;
    Timer(HWND hwnd, UINT_PTR id, UINT milliseconds) { start(hwnd, id, milliseconds); }
    Timer(Timer&& o) noexcept
        : hwnd_(std::exchange(o.hwnd_, nullptr)), id_(o.id_) {}
    Timer& operator=(Timer&& o) noexcept {
        if (this != &o) {
            stop();
            hwnd_ = std::exchange(o.hwnd_, nullptr);
            id_ = o.id_;
        }
        return *this;
    }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer() { stop(); }

    // Restarting with the same window and id only changes the period.
    bool start(HWND hwnd, UINT_PTR id, UINT milliseconds) {
        if (hwnd_ && (hwnd_ != hwnd || id_ != id)) stop();
        if (!SetTimer(hwnd, id, milliseconds, nullptr)) return false;
        hwnd_ = hwnd;
        id_ = id;
        return true;
    }
    void stop() {
        if (hwnd_) KillTimer(std::exchange(hwnd_, nullptr), id_);
    }
    bool active() const { return hwnd_ != nullptr; }
    UINT_PTR id() const { return id_; }

private:
    HWND hwnd_ = nullptr;
    UINT_PTR id_ = 0;
};

}  // namespace win
