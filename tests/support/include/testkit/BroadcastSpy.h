#pragma once
#include <windows.h>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "testkit/SpyWindow.h"

namespace testkit {

struct Broadcast {
    std::string name;  // the registered name, "#0xC123" if it has none
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool sent = false;  // SendMessage rather than PostMessage
};

// A hidden top-level window on a thread of its own that records every
// registered window message it receives, which is what a message broadcast to
// HWND_BROADCAST by any process of the session brings it.
class BroadcastSpy {
public:
    BroadcastSpy();
    BroadcastSpy(const BroadcastSpy&) = delete;
    BroadcastSpy& operator=(const BroadcastSpy&) = delete;

    HWND Window() const { return window_.Window(); }
    std::vector<Broadcast> Received() const;
    // Only those of one name (compared without regard to case, as the names are).
    std::vector<Broadcast> Received(const std::string& name) const;
    // The first message of that name received since the spy was made or cleared.
    std::optional<Broadcast> WaitFor(const std::string& name, DWORD timeoutMs = 10000);
    bool WaitForCount(const std::string& name, size_t count, DWORD timeoutMs = 10000);
    void Clear();

private:
    void Record(UINT msg, WPARAM wParam, LPARAM lParam);
    size_t CountLocked(const std::string& name) const;

    mutable std::mutex mutex_;
    std::condition_variable received_;
    std::vector<Broadcast> messages_;
    SpyWindow window_;
};

}  // namespace testkit
