#pragma once
// Records the registered messages that reach a hidden top-level window of
// this thread, as the tray's window would receive them.
#include <windows.h>

#include <string>
#include <vector>

struct SpiedMessage {
    std::string name;
    WPARAM wParam;
    LPARAM lParam;
};

class BroadcastSpy {
public:
    explicit BroadcastSpy(std::vector<std::string> names);
    ~BroadcastSpy();
    BroadcastSpy(const BroadcastSpy&) = delete;
    BroadcastSpy& operator=(const BroadcastSpy&) = delete;

    // Dispatches what is queued for this thread and returns all seen so far.
    const std::vector<SpiedMessage>& Seen();
    std::vector<std::string> Names();

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    std::vector<std::string> names_;
    std::vector<UINT> ids_;
    std::vector<SpiedMessage> seen_;
    HWND window_ = nullptr;
};
