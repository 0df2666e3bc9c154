#pragma once
#include <windows.h>
#include <functional>
#include <thread>

namespace testkit {

// A hidden top-level window on a thread of its own, so that it answers what
// other programs (or the test's own calls) send it while the test's thread
// waits. The handler runs on that thread; it returns true when it answered
// the message with `result`. Declare it after everything the handler uses.
class SpyWindow {
public:
    using Handler = std::function<bool(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    SpyWindow(const char* className, Handler handler);
    ~SpyWindow();
    SpyWindow(const SpyWindow&) = delete;
    SpyWindow& operator=(const SpyWindow&) = delete;

    HWND Window() const { return window_; }

private:
    static LRESULT CALLBACK WindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam);

    Handler handler_;
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace testkit
