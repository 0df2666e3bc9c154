#pragma once
// The applet's robot tests: the real applet loaded into the test program,
// opened as the Control Panel opens it, against virtual boards served from
// this process.
#include "quorvi/DriverRequests.h"
#include "quorvi/SettingsRecord.h"
#include "resource.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>

namespace applettest {

using namespace testkit;

constexpr const char* kCaption = "QUORVI Properties";
constexpr int kApplyNow = 0x3021;   // the sheet's Apply button
// Offset in a setup file of a field of a board's device block.
constexpr std::size_t BoardField(int board, std::size_t field) {
    return offsetof(quorvi::SettingsRecord, device) + offsetof(quorvi::DeviceBlock, boards) +
           board * sizeof(quorvi::BoardDeviceBlock) + field;
}
constexpr std::size_t kFormatOffset = BoardField(0, offsetof(quorvi::BoardDeviceBlock, format));

// The sheet on Windows NT: the Setups page, then six pages per board.
enum BoardPage { kMeters, kFormat, kClocks, kInRouting, kOutRouting, kAppearance };
constexpr int Tab(int board, BoardPage page) { return 1 + 6 * board + page; }

class AppletTest : public ::testing::Test {
protected:
    void SetUp() override {
        applet_ = LoadLibraryA("quorvipanel.cpl");
        ASSERT_NE(applet_, nullptr);
        entry_ = reinterpret_cast<APPLET_PROC>(GetProcAddress(applet_, "CPlApplet"));
        ASSERT_NE(entry_, nullptr);
    }
    void TearDown() override {
        if (applet_) FreeLibrary(applet_);
    }

    void Boards(std::uint32_t count) {
        vboard::DriverConfig config;
        config.boards = count;
        Boards(config);
    }
    void Boards(const vboard::DriverConfig& config) {
        boards_.reset();   // one service holds the pipe at a time
        boards_ = std::make_unique<vboard::InProcessBoards>(config);
        ASSERT_TRUE(boards_->serving());
    }
    std::size_t Updates() const { return boards_->log(quorvi::QUORVI_SYS_UPDATE).size(); }
    // The run opened the driver once, by this name, asking for no access
    // rights, and the boards were counted on that handle.
    void ExpectOneOpen(const char* name, DWORD share, DWORD disposition, DWORD flags) const {
        const std::vector<vboard::OpenEntry> opens = boards_->opens();
        ASSERT_EQ(opens.size(), 1u);
        EXPECT_EQ(opens[0].name, name);
        EXPECT_EQ(opens[0].args.access, 0u);
        EXPECT_EQ(opens[0].args.share, share);
        EXPECT_EQ(opens[0].args.disposition, disposition);
        EXPECT_EQ(opens[0].args.flags, flags);
        EXPECT_EQ(opens[0].error, 0u);
        const auto asked = boards_->log(quorvi::QUORVI_GET_BOARD_INFO);
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked[0].handle, opens[0].handle);
        EXPECT_EQ(boards_->driver().openHandles(), 0u);
    }

    // Opens the applet as the Control Panel does and runs script on the sheet.
    void RunSheet(const std::function<void(HWND)>& script) {
        RunWhile(
            [&] {
                EXPECT_EQ(entry_(nullptr, CPL_INIT, 0, 0), 1);
                entry_(nullptr, CPL_DBLCLK, 0, 0);
                entry_(nullptr, CPL_EXIT, 0, 0);
            },
            [&] {
                HWND sheet = WaitForTopWindow("", kCaption);
                if (sheet) script(sheet);
            });
    }

    static std::vector<std::string> Tabs(HWND sheet) {
        HWND tab = PropSheet_GetTabControl(sheet);
        std::vector<std::string> names;
        for (int i = 0; i < TabCtrl_GetItemCount(tab); ++i) {
            char text[64] = {};
            TCITEMA item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
            names.push_back(text);
        }
        return names;
    }
    static int ActiveTab(HWND sheet) { return TabCtrl_GetCurSel(PropSheet_GetTabControl(sheet)); }
    static int TabImage(HWND sheet, int index) {
        TCITEMA item{};
        item.mask = TCIF_IMAGE;
        item.iImage = -1;
        SendMessageA(PropSheet_GetTabControl(sheet), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    static void CloseWith(HWND sheet, int button) {
        PostClick(Control(sheet, button));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(sheet); }));
    }
    static std::int32_t FactoryWord(std::size_t offset) {
        auto bytes = ReadSystemFile("factory.ssf");
        std::int32_t value = -1;
        if (bytes && bytes->size() >= offset + 4) std::memcpy(&value, bytes->data() + offset, 4);
        return value;
    }
    static int FactoryByte(std::size_t offset) {
        auto bytes = ReadSystemFile("factory.ssf");
        return bytes && bytes->size() > offset ? (*bytes)[offset] : -1;
    }
    static void PatchFactory(std::size_t offset, const void* data, std::size_t size) {
        auto bytes = ReadSystemFile("factory.ssf");
        ASSERT_TRUE(bytes && bytes->size() >= offset + size);
        std::memcpy(bytes->data() + offset, data, size);
        ASSERT_TRUE(WriteSystemFile("factory.ssf", *bytes));
    }
    // A first run with a fresh registry writes the factory setup file.
    void MakeFactoryFile(MessageBoxCatcher& boxes) {
        boxes.Expect(IDOK);
        RunSheet([&](HWND sheet) { CloseWith(sheet, IDCANCEL); });
    }
    static HWND OpenAdvanced(HWND sheet) {
        PostClick(Control(sheet, IDC_ADVANCED));
        return WaitForTopWindow("#32770", "Advanced Format Settings");
    }
    // One click on the lower (or upper) arrow of a vertical up-down control.
    static void ClickArrow(HWND spin, bool up) {
        RECT r;
        GetClientRect(spin, &r);
        const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(spin, WM_LBUTTONUP, 0, at);
    }
    static int StoredFormat(int board) {
        auto bytes = ReadSystemFile("factory.ssf");
        const std::size_t at = kFormatOffset + board * sizeof(quorvi::BoardDeviceBlock);
        return bytes && bytes->size() > at ? (*bytes)[at] : -1;
    }

    RegistrySandbox registry_;
    SystemDirSandbox files_{{"*.ssf"}};
    std::unique_ptr<vboard::InProcessBoards> boards_;
    HMODULE applet_ = nullptr;
    APPLET_PROC entry_ = nullptr;
};

}  // namespace applettest
