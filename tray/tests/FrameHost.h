#pragma once
// The tray's frame hosted in the test process against virtual boards served
// here too, for the tests of what only shows from inside: its menus, its
// windows' state and what they draw.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "MainFrame.h"
#include "RequestWords.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/NotifyAreaSpy.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"

struct MenuLine {
    UINT id;
    std::string text;
    bool enabled;
    bool operator==(const MenuLine&) const = default;
};
inline void PrintTo(const MenuLine& line, std::ostream* out) {
    *out << line.id << " \"" << line.text << "\"" << (line.enabled ? "" : " disabled");
}

// Runs this thread's messages until the condition holds.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = testkit::kRobotWaitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// Runs this thread's messages for a while, for what must not happen.
inline void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

// The record as the settings hold it now.
inline quorvi::SettingsRecord StoredRecord() {
    quorvi::SettingsRecord record{};
    QuorviGetRegSettings(&record, 1);
    return record;
}

class FrameHost : public ::testing::Test {
protected:
    void Start(std::uint32_t boards) {
        vboard::DriverConfig config;
        config.boards = boards;
        Start(config);
    }
    void Start(const vboard::DriverConfig& config) {
        frame_.reset();
        boards_.reset();  // one service holds the pipe at a time
        boards_ = std::make_unique<vboard::InProcessBoards>(config);
        ASSERT_TRUE(boards_->serving());
        shell_.Clear();
        frame_ = std::make_unique<tray::CMainFrame>(GetModuleHandleA(nullptr));
        ASSERT_TRUE(frame_->Create());
        // Every monitor tick is given by the test, so what a test counts and
        // sees does not depend on how slowly it runs.
        KillTimer(frame_->hwnd(), tray::kMonitorTimer);
        PostMessageA(frame_->hwnd(), WM_TIMER, tray::kMonitorTimer, 0);  // no need to wait for the first tick
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
    // An item of a window's system menu chosen.
    static void SysCommand(HWND window, UINT id) { SendMessageA(window, WM_SYSCOMMAND, id, 0); }

    // Opens the pop-up menu as a right click on the icon does and reads it.
    // whileOpen runs while the menu is shown, before it is read.
    std::vector<MenuLine> PopupMenu(const std::function<void()>& whileOpen = [] {}) {
        std::vector<MenuLine> lines;
        if (!frame_ || !frame_->hwnd()) {
            ADD_FAILURE() << "no frame";
            return lines;
        }
        testkit::RunWhile(
            [&] { SendMessageA(frame_->hwnd(), tray::WM_TRAY_NOTIFY, IDI_TRAY_OK, WM_RBUTTONDOWN); },
            [&] {
                HWND window = nullptr;
                testkit::WaitUntil([&] { return (window = testkit::FindTopWindow("#32768", "")) != nullptr; });
                ASSERT_NE(window, nullptr);
                whileOpen();
                lines = MenuLines(reinterpret_cast<HMENU>(SendMessageA(window, kGetMenu, 0, 0)));
                PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
            });
        return lines;
    }

    static std::vector<MenuLine> MenuLines(HMENU menu) {
        std::vector<MenuLine> lines;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[128] = {};
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            const UINT id = GetMenuItemID(menu, i);
            lines.push_back({id == static_cast<UINT>(-1) ? 0 : id, text,
                             !(GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED)});
        }
        return lines;
    }

    static constexpr UINT kGetMenu = 0x01E1;  // MN_GETHMENU

    testkit::RegistrySandbox registry_;
    testkit::SystemDirSandbox files_{{"*.ssf"}};
    testkit::NotifyAreaSpy shell_;
    std::unique_ptr<vboard::InProcessBoards> boards_;
    std::unique_ptr<tray::CMainFrame> frame_;
};
