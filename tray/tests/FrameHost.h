#pragma once
// The tray's frame hosted in the test process against virtual boards served
// here too, for the tests that drive its windows from inside: the window
// objects, the record and the boards' request log are all at hand.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "MainFrame.h"
#include "testkit/NotifyAreaSpy.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"
#include "win/Dialog.h"

namespace traytest {

// Runs this thread's messages until the condition holds.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = testkit::kRobotWaitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (win::IsModelessDialogMessage(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Runs this thread's messages for a while, for what must not happen.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

inline std::uint32_t Word(const std::vector<std::uint8_t>& bytes, int i) {
    std::uint32_t v = 0;
    if (bytes.size() >= 4u * (i + 1)) std::memcpy(&v, bytes.data() + 4 * i, 4);
    return v;
}

class HostedFrame : public ::testing::Test {
protected:
    void Start(std::uint32_t boards) {
        vboard::DriverConfig config;
        config.boards = boards;
        frame_.reset();
        boards_.reset();  // one service holds the pipe at a time
        boards_ = std::make_unique<vboard::InProcessBoards>(config);
        ASSERT_TRUE(boards_->serving());
        shell_.Clear();
        frame_ = std::make_unique<tray::CMainFrame>(GetModuleHandleA(nullptr));
        ASSERT_TRUE(frame_->Create());
        Tick();  // no need to wait for the first tick
        // The first tick completes the start-up: the icon is shown again.
        ASSERT_TRUE(PumpUntil([&] {
            for (const testkit::NotifyIconCall& c : shell_.Calls())
                if (c.operation == NIM_MODIFY && c.owner == frame_->hwnd()) return true;
            return false;
        }));
    }
    void TearDown() override {
        frame_.reset();
        // The frame ended "its" program: that is for a real one only.
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }

    // A monitor tick now, as the timer would give it.
    void Tick() const { PostMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0); }
    // A registered message, handled when this returns.
    void Send(const char* name, WPARAM wParam = 0, LPARAM lParam = 0) const {
        SendMessageA(frame_->hwnd(), RegisterWindowMessageA(name), wParam, lParam);
    }
    std::vector<vboard::LogEntry> Log(std::uint32_t code) const { return boards_->log(code); }

    testkit::RegistrySandbox registry_;
    testkit::SystemDirSandbox files_{{"*.ssf"}};
    testkit::NotifyAreaSpy shell_;
    std::unique_ptr<vboard::InProcessBoards> boards_;
    std::unique_ptr<tray::CMainFrame> frame_;
};

}  // namespace traytest
