#include "Spy.h"

BroadcastSpy::BroadcastSpy(std::vector<std::string> names) : names_(std::move(names)) {
    for (const auto& n : names_) ids_.push_back(RegisterWindowMessageA(n.c_str()));
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CoreTestSpy";
    RegisterClassA(&wc);
    window_ = CreateWindowExA(0, "CoreTestSpy", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              wc.hInstance, this);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

BroadcastSpy::~BroadcastSpy() { DestroyWindow(window_); }

LRESULT CALLBACK BroadcastSpy::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* spy = reinterpret_cast<BroadcastSpy*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (spy) {
        for (size_t i = 0; i < spy->ids_.size(); ++i) {
            if (spy->ids_[i] == msg) {
                spy->seen_.push_back({spy->names_[i], wParam, lParam});
                return 0;
            }
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

const std::vector<SpiedMessage>& BroadcastSpy::Seen() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    return seen_;
}

std::vector<std::string> BroadcastSpy::Names() {
    std::vector<std::string> names;
    for (const auto& m : Seen()) names.push_back(m.name);
    return names;
}
