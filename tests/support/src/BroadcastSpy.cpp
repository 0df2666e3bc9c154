#include "testkit/BroadcastSpy.h"
#include <gtest/gtest.h>
#include <cstdio>

namespace testkit {
namespace {

const char kClassName[] = "TestkitBroadcastSpy";

// Registered window messages and clipboard formats share one table of
// names, so the clipboard call names a registered message.
std::string NameOf(UINT msg) {
    char name[256];
    int len = GetClipboardFormatNameA(msg, name, sizeof name);
    if (len > 0) return std::string(name, len);
    snprintf(name, sizeof name, "#0x%04X", msg);
    return name;
}

bool SameName(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

}  // namespace

BroadcastSpy::BroadcastSpy() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, ready] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassA(&wc);  // fails harmlessly when an earlier spy registered it
        // A popup, not a message-only window: broadcasts reach only top-level windows.
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, this);
        SetEvent(ready);
        if (window_) Run();
    });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
    if (!window_) ADD_FAILURE() << "broadcast spy could not create its window, error " << GetLastError();
}

BroadcastSpy::~BroadcastSpy() {
    if (window_) PostMessageA(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

void BroadcastSpy::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
}

LRESULT CALLBACK BroadcastSpy::WindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* spy = reinterpret_cast<BroadcastSpy*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg >= 0xC000 && msg <= 0xFFFF && spy) {
        spy->Record(msg, wParam, lParam);
        return 0;
    }
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(w, msg, wParam, lParam);
}

void BroadcastSpy::Record(UINT msg, WPARAM wParam, LPARAM lParam) {
    Broadcast b{NameOf(msg), msg, wParam, lParam, InSendMessage() != FALSE};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.push_back(b);
    }
    received_.notify_all();
}

std::vector<Broadcast> BroadcastSpy::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::vector<Broadcast> BroadcastSpy::Received(const std::string& name) const {
    std::vector<Broadcast> matching;
    for (const Broadcast& b : Received())
        if (SameName(b.name, name)) matching.push_back(b);
    return matching;
}

size_t BroadcastSpy::CountLocked(const std::string& name) const {
    size_t n = 0;
    for (const Broadcast& b : messages_) n += SameName(b.name, name);
    return n;
}

std::optional<Broadcast> BroadcastSpy::WaitFor(const std::string& name, DWORD timeoutMs) {
    if (!WaitForCount(name, 1, timeoutMs)) return std::nullopt;
    return Received(name).front();
}

bool BroadcastSpy::WaitForCount(const std::string& name, size_t count, DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return CountLocked(name) >= count; });
}

void BroadcastSpy::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    messages_.clear();
}

}  // namespace testkit
