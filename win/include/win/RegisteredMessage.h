#pragma once
#include <windows.h>
#include <string>

namespace win {

// Posts to every top-level window; true when the post was queued.
bool PostBroadcast(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Sends to every top-level window and returns when each has handled it,
// except that a hung window is skipped instead of hanging the sender.
bool SendBroadcast(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// A system-wide message number obtained by name; the name is the identity.
// Declare these as static objects so they are registered when the module loads.
class RegisteredMessage {
public:
    explicit RegisteredMessage(const char* name)
        : name_(name), id_(RegisterWindowMessageA(name)) {}

    UINT id() const { return id_; }
    const std::string& name() const { return name_; }
    // A failed registration (id 0) matches no message.
    bool is(UINT message) const { return id_ != 0 && message == id_; }

    bool Post(WPARAM wParam = 0, LPARAM lParam = 0) const {
        return id_ && PostBroadcast(id_, wParam, lParam);
    }
    bool Send(WPARAM wParam = 0, LPARAM lParam = 0) const {
        return id_ && SendBroadcast(id_, wParam, lParam);
    }
    bool PostTo(HWND hwnd, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return id_ && PostMessageA(hwnd, id_, wParam, lParam);
    }
    LRESULT SendTo(HWND hwnd, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return id_ ? SendMessageA(hwnd, id_, wParam, lParam) : 0;
    }

private:
    std::string name_;
    UINT id_;
};

}  // namespace win
