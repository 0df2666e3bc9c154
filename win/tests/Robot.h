#pragma once
// A tiny robot for the window tests: runs actions on its own thread against
// windows of the test's thread, so a modal loop can be driven from outside.
#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>
#include <string>
#include <thread>

namespace robot {

// Waits (bounded, so a missing window fails the test instead of hanging it)
// for a visible top-level window of this process with the given caption.
inline HWND WaitForWindow(const char* caption, int attempts = 1000) {
    for (int i = 0; i < attempts; ++i) {
        HWND h = FindWindowA(nullptr, caption);
        if (h && IsWindowVisible(h)) return h;
        Sleep(10);
    }
    return nullptr;
}

inline std::string Text(HWND hwnd) {
    char buf[512] = {};
    SendMessageA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
    return buf;
}

inline void Click(HWND dialog, int buttonId) {
    SendMessageA(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

// Runs body on a thread and joins it when it goes out of scope.
class Thread {
public:
    explicit Thread(std::function<void()> body) : t_(std::move(body)) {}
    ~Thread() { t_.join(); }

private:
    std::thread t_;
};

// Watches for message boxes with one caption on its own thread, records
// each box's text and presses OK, so a test never blocks on a box.
class BoxWatcher {
public:
    explicit BoxWatcher(std::string caption)
        : caption_(std::move(caption)), t_([this] { Run(); }) {}
    ~BoxWatcher() {
        stop_ = true;
        t_.join();
    }
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> lock(m_);
        return texts_;
    }

private:
    void Run() {
        while (!stop_) {
            HWND box = FindWindowA("#32770", caption_.c_str());
            if (!box || !IsWindowVisible(box)) {
                Sleep(10);
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(m_);
                texts_.push_back(Text(GetDlgItem(box, 0xFFFF)));  // the box's text control
            }
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            while (IsWindow(box) && !stop_) Sleep(10);
        }
    }

    std::string caption_;
    std::atomic<bool> stop_{false};
    std::mutex m_;
    std::vector<std::string> texts_;
    std::thread t_;
};

}  // namespace robot
