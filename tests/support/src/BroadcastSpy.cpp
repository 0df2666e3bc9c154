#include "testkit/BroadcastSpy.h"
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

// Registered messages are those from 0xC000 on.
BroadcastSpy::BroadcastSpy()
    : window_(kClassName, [this](UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          if (msg < 0xC000 || msg > 0xFFFF) return false;
          Record(msg, wParam, lParam);
          result = 0;
          return true;
      }) {}

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
