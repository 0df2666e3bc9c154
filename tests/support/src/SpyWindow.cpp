#include "testkit/SpyWindow.h"
#include <gtest/gtest.h>

namespace testkit {

SpyWindow::SpyWindow(const char* className, Handler handler) : handler_(std::move(handler)) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, className, ready] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        RegisterClassA(&wc);  // fails harmlessly when an earlier spy registered it
        // A popup, not a message-only window: broadcasts reach only top-level windows.
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, this);
        SetEvent(ready);
        MSG msg;
        while (window_ && GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (!window_) ADD_FAILURE() << className << " spy could not create its window, error " << GetLastError();
}

SpyWindow::~SpyWindow() {
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

LRESULT CALLBACK SpyWindow::WindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* spy = reinterpret_cast<SpyWindow*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    LRESULT result = 0;
    if (spy && spy->handler_(msg, wParam, lParam, result)) return result;
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wParam, lParam);
}

}  // namespace testkit
