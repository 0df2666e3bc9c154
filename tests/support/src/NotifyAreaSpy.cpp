#include "testkit/NotifyAreaSpy.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <cstring>

namespace testkit {
namespace {

const char kClassName[] = "Shell_TrayWnd";

// The head of Wine's notify-icon message; what follows it (balloon texts,
// icon bitmap) is not read.
struct NotifyHead {
    LONG owner;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    WCHAR tip[128];
};

std::string Narrow(const WCHAR* text, size_t size) {
    size_t length = 0;
    while (length < size && text[length]) ++length;
    std::string out(length * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(),
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

}  // namespace

NotifyAreaSpy::NotifyAreaSpy()
    : window_(kClassName, [this](UINT msg, WPARAM, LPARAM lParam, LRESULT& result) {
          if (msg != WM_COPYDATA || !lParam) return false;
          result = Record(*reinterpret_cast<COPYDATASTRUCT*>(lParam));
          return true;
      }) {
    HWND window = window_.Window();
    if (!window) return;
    // Above the desktop's own tray window, which is found first otherwise.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (FindWindowA(kClassName, nullptr) != window) ADD_FAILURE() << "another notification area is found before the spy";
}

bool NotifyAreaSpy::Record(const COPYDATASTRUCT& data) {
    if (data.cbData < sizeof(NotifyHead) || !data.lpData) return false;
    NotifyHead head;
    std::memcpy(&head, data.lpData, sizeof head);
    NotifyIconCall call;
    call.operation = static_cast<DWORD>(data.dwData);
    call.owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(head.owner));
    call.id = head.id;
    call.flags = head.flags;
    call.callbackMessage = head.callbackMessage;
    if (head.flags & NIF_TIP) call.tip = Narrow(head.tip, 128);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (call.operation == NIM_MODIFY && refuseModify_ > 0) {
            --refuseModify_;
            call.accepted = false;
        }
        calls_.push_back(call);
    }
    received_.notify_all();
    return call.accepted;
}

std::vector<NotifyIconCall> NotifyAreaSpy::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::optional<std::string> NotifyAreaSpy::ShownTip(HWND owner, UINT id) const {
    std::optional<std::string> tip;
    for (const NotifyIconCall& c : Calls()) {
        if (c.owner != owner || c.id != id || !c.accepted) continue;
        if (c.operation == NIM_DELETE) tip.reset();
        else if (c.operation == NIM_ADD || (c.operation == NIM_MODIFY && tip && (c.flags & NIF_TIP))) tip = c.tip;
    }
    return tip;
}

bool NotifyAreaSpy::WaitUntil(const std::function<bool(const std::vector<NotifyIconCall>&)>& condition,
                              DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return received_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return condition(calls_); });
}

bool NotifyAreaSpy::WaitForTip(UINT id, const std::string& tip, DWORD timeoutMs) {
    return WaitUntil(
        [&](const std::vector<NotifyIconCall>& calls) {
            for (auto c = calls.rbegin(); c != calls.rend(); ++c) {
                if (c->id != id || !c->accepted) continue;
                return c->operation != NIM_DELETE && c->tip == tip;
            }
            return false;
        },
        timeoutMs);
}

void NotifyAreaSpy::RefuseModify(int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuseModify_ = count;
}

void NotifyAreaSpy::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
}

}  // namespace testkit
