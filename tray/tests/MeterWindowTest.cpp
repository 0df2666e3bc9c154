// The meter window of the frame hosted here, on virtual boards with test
// signals: what it draws from the boards' levels, its menus, its label
// editing, what it keeps in the record and its life in the notification
// area. Its ticks are given by hand, so every count is exact.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "FrameHost.h"
#include "MeterScale.h"
#include "MeterTray.h"
#include "MeterWnd.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/MessageBoxCatcher.h"

using namespace testkit;

namespace {

// The virtual board's meters in format 0: outputs 1-16, inputs 1-16, master.
constexpr int kInput1 = 16, kOutput1 = 0;
constexpr int kBarX = 8;  // inside the bar of column 0
constexpr int kBarBase = 125;
constexpr COLORREF kBackground = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kGreen = RGB(0, 0xD0, 0);
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kPeakGreen = RGB(0, 0xFF, 0);
const std::string kTitle = "QUORVI Audio Level Meters";

// The row of a peak marker at value p.
int MarkerRow(int p) { return kBarBase - p; }

std::uint32_t DbLevel(double db) { return static_cast<std::uint32_t>(8388608.0 * std::pow(10.0, db / 20)); }

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

class MeterWindowTest : public FrameHost {
protected:
    void StartWithRecord(void (*change)(quorvi::BoardPanelBlock&)) {
        quorvi::SettingsRecord record = StoredRecord();
        change(record.boards[0]);
        QuorviSetRegSettings(&record);
        Start(1);
    }

    // Opens board 1's meters from the icon's menu, with its timer stopped
    // and its first paint done.
    tray::CMeterWnd* Open() {
        SendMessageA(frame_->hwnd(), WM_COMMAND, ID_SHOW_METERS, 0);
        tray::CMeterWnd* meters = frame_->meterWindow(0);
        if (!meters) return nullptr;
        KillTimer(meters->hwnd(), tray::kMeterTimer);
        UpdateWindow(meters->hwnd());
        return meters;
    }

    void Signal(int meter, const std::string& kind) {
        boards_->control("signal 0 " + std::to_string(meter) + " " + kind);
    }
    // The display value the board's level has in the window's stored scale.
    int Value(std::uint32_t level) const {
        const quorvi::BoardPanelBlock& panel = frame_->record().boards[0];
        return tray::MeterValue(level, tray::ScaleFor(panel.meterRange, panel.referenceLevel));
    }
    static COLORREF Pixel(HWND window, int x, int y) {
        HDC dc = GetDC(window);
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(window, dc);
        return colour;
    }

    // Opens the menu of the window's tray icons as a right click does and
    // reads it. Without a window manager the window's hiding reaches the
    // display late, and a menu opened before it has is closed by it at once:
    // such a menu is opened again.
    static std::vector<MenuLine> TrayMenu(HWND window) {
        std::vector<MenuLine> menu;
        for (int attempt = 0; attempt < 5 && menu.empty(); ++attempt) {
            RunWhile([&] { SendMessageA(window, tray::WM_TRAY_METER_NOTIFY, 156, WM_RBUTTONDOWN); }, [&] {
                HWND popup = nullptr;
                if (!WaitUntil([&] { return (popup = FindTopWindow("#32768", "")) != nullptr; }, 500)) return;
                menu = MenuLines(reinterpret_cast<HMENU>(SendMessageA(popup, kGetMenu, 0, 0)));
                PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
            });
        }
        return menu;
    }
};

}  // namespace

TEST_F(MeterWindowTest, BarsFollowTheBoardsLevelsInOneWindowPerBoard) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    HWND window = meters->hwnd();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetText(window), kTitle);
    RECT place{};
    GetWindowRect(window, &place);
    EXPECT_EQ(place.right - place.left, 4 + 480 + 480 + 60) << "the window, frame included";
    EXPECT_EQ(place.bottom - place.top, 180);

    // "QUORVI METERS" for the same board brings up the same window.
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("QUORVI METERS"), 0, 0);
    EXPECT_EQ(frame_->meterWindow(0), meters);
    EXPECT_EQ(FindTopWindow(tray::kMeterWindowClass, "", GetCurrentProcessId()), window);

    const std::uint32_t level = DbLevel(-30);
    const int v = Value(level);
    ASSERT_GT(v, 10);
    Signal(kInput1, "steady " + std::to_string(level));
    Signal(kOutput1, "clip");
    meters->Tick();
    EXPECT_EQ(Pixel(window, kBarX, kBarBase - 1), kGreen);
    EXPECT_EQ(Pixel(window, kBarX, kBarBase - v + 1), kGreen);
    EXPECT_EQ(Pixel(window, kBarX, MarkerRow(v)), kPeakGreen);
    EXPECT_EQ(Pixel(window, kBarX, kBarBase - v - 2), kBackground);
    const int output1 = 16 * 30 + kBarX;
    EXPECT_EQ(Pixel(window, output1, 10), kRed) << "a clip fills the whole bar red";

    Signal(kInput1, "silence");
    Signal(kOutput1, "silence");
    meters->Tick();
    EXPECT_EQ(Pixel(window, kBarX, kBarBase - 1), kBackground);
    EXPECT_EQ(Pixel(window, output1, 10), kBackground) << "the tick after a clip redraws the bar";
    EXPECT_EQ(frame_->busy().meters, 0);
}

// With inputs hidden the outputs come first: column 0 is output 1, whose
// user label is label 16. Only the label area takes the click.
TEST_F(MeterWindowTest, AClickUnderAColumnEditsItsChannelsUserLabel) {
    StartWithRecord([](quorvi::BoardPanelBlock& panel) {
        panel.showInputMeters = 0;
        panel.meterLabelMode = 2;
    });
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);

    SendMessageA(meters->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 100));
    EXPECT_EQ(FindTopWindow("#32770", "Create User-defined Label"), nullptr);

    RunWhile([&] { SendMessageA(meters->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 140)); }, [] {
        HWND dlg = WaitForTopWindow("#32770", "Create User-defined Label");
        if (!dlg) return;
        EXPECT_EQ(GetText(Control(dlg, IDC_LABEL_TEXT)), "User|17");
        TypeText(Control(dlg, IDC_LABEL_TEXT), "Kick|In");
        PostClick(Control(dlg, IDOK));
    });
    EXPECT_STREQ(frame_->record().boards[0].meterLabels[16], "Kick|In");
    EXPECT_STREQ(frame_->record().boards[0].meterLabels[0], "User|1");
}

// A window that opens in Infinite Hold holds its markers for the decay rate,
// as in Peak Hold, and stores Peak Hold; Infinite Hold picked from the menu
// never lets them fall, even after a new decay rate, and is what is stored
// then.
TEST_F(MeterWindowTest, HoldModesAndWhatSavingStores) {
    StartWithRecord([](quorvi::BoardPanelBlock& panel) {
        panel.meterDisplayMode = 2;
        panel.decayRate = 2;
    });
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    HWND window = meters->hwnd();
    const std::uint32_t level = DbLevel(-20);
    const int p = Value(level);

    const auto peakThenSilence = [&](int silentTicks) {
        Signal(kInput1, "steady " + std::to_string(level));
        meters->Tick();
        Signal(kInput1, "silence");
        for (int i = 0; i < silentTicks; ++i) meters->Tick();
    };
    peakThenSilence(1);
    EXPECT_NE(Pixel(window, kBarX, MarkerRow(p)), kBackground) << "held for the decay rate";
    meters->Tick();
    EXPECT_EQ(Pixel(window, kBarX, MarkerRow(p)), kBackground);
    EXPECT_NE(Pixel(window, kBarX, MarkerRow(p - 1)), kBackground) << "then falls";

    SysCommand(window, ID_SAVE_SETTINGS);
    ASSERT_TRUE(PumpUntil([] { return StoredRecord().boards[0].meterDisplayMode == 1; }));

    SysCommand(window, ID_MODE_INFINITE_HOLD);
    SysCommand(window, ID_RANGE_96DB);
    const quorvi::BoardPanelBlock& panel = frame_->record().boards[0];
    EXPECT_EQ(panel.meterRange, 2);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(window, FALSE), ID_RANGE_96DB, MF_BYCOMMAND) & MF_CHECKED);
    // A decay rate chosen meanwhile does not end Infinite Hold.
    RunWhile([&] { SysCommand(window, ID_DECAY_RATE); }, [] {
        if (HWND dlg = WaitForTopWindow("#32770", "Set Meter Decay Rate")) PostClick(Control(dlg, IDOK));
    });
    const int p96 = Value(level);
    peakThenSilence(6);
    EXPECT_NE(Pixel(window, kBarX, MarkerRow(p96)), kBackground) << "infinite hold";
    SysCommand(window, ID_SAVE_SETTINGS);
    ASSERT_TRUE(PumpUntil([] { return StoredRecord().boards[0].meterDisplayMode == 2; }));
}

// The system menu carries the window's own items after the standard ones.
TEST_F(MeterWindowTest, SystemMenuAndRefreshFollowTheRecord) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    HWND window = meters->hwnd();
    HMENU system = GetSystemMenu(window, FALSE);
    std::vector<MenuLine> lines = MenuLines(system);
    ASSERT_GE(lines.size(), 6u);
    const std::vector<MenuLine> tail(lines.end() - 6, lines.end());
    const std::vector<MenuLine> expected{{0, "", false},
                                         {0, "M&eter Settings", true},
                                         {ID_KEEP_ON_TOP, "&Keep on Top", true},
                                         {ID_MOVE_TO_TRAY, "Move to &Tray", true},
                                         {0, "", false},
                                         {ID_SAVE_SETTINGS, "Sa&ve Settings", true}};
    EXPECT_EQ(tail, expected);
    EXPECT_TRUE(GetMenuState(system, ID_SHOW_INPUTS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(system, ID_MODE_PEAK_HOLD, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(system, ID_LABEL_LOGICAL, MF_BYCOMMAND) & MF_CHECKED);

    SysCommand(window, ID_KEEP_ON_TOP);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(frame_->record().boards[0].metersOnTop, 1);

    // Another program stores inputs hidden and the user labels: the update's
    // end brings them into the open window.
    quorvi::SettingsRecord record = StoredRecord();
    record.boards[0].showInputMeters = 0;
    record.boards[0].meterLabelMode = 2;
    QuorviSetRegSettings(&record);
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("START QUORVI UPDATE"), 0, 0);
    SendMessageA(frame_->hwnd(), RegisterWindowMessageA("END QUORVI UPDATE"), 0, 0);
    RECT place{};
    GetWindowRect(window, &place);
    EXPECT_EQ(place.right - place.left, 4 + 480 + 60);
    system = GetSystemMenu(window, FALSE);
    EXPECT_FALSE(GetMenuState(system, ID_SHOW_INPUTS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(system, ID_LABEL_USER, MF_BYCOMMAND) & MF_CHECKED);
}

// A setup file's label font may be of any size; drawn as stored, the glyphs
// of a huge one took hundreds of megabytes.
TEST_F(MeterWindowTest, AHugeStoredLabelFontIsDrawnAtAUsableSize) {
    StartWithRecord([](quorvi::BoardPanelBlock& panel) {
        panel.metersFont.lfHeight = -50000;
    });
    ASSERT_FALSE(HasFatalFailure());
    const SIZE_T before = PrivateBytes();
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    EXPECT_LT(PrivateBytes(), before + (64u << 20));
    EXPECT_EQ(frame_->record().boards[0].metersFont.lfHeight, -50000) << "the record keeps what it holds";
}

TEST_F(MeterWindowTest, InTheTrayGroupsShowAsIconsAndHidingThemAllClosesTheWindow) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    HWND window = meters->hwnd();

    SysCommand(window, SC_MINIMIZE);
    EXPECT_TRUE(meters->inTray());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(shell_.ShownTip(window, 156), kTitle + "-Inputs 1 && 2 L/R");
    EXPECT_EQ(shell_.ShownTip(window, 159), kTitle + "-Inputs 7 && 8 L/R");
    EXPECT_EQ(shell_.ShownTip(window, 160), kTitle + "-Outputs 1 && 2 L/R");
    EXPECT_EQ(shell_.ShownTip(window, 164), kTitle + "-Monitor L/R");

    // A picture is sent only when its levels change class.
    const auto modifies = [&] {
        int n = 0;
        for (const NotifyIconCall& c : shell_.Calls())
            if (c.owner == window && c.id == 156 && c.operation == NIM_MODIFY) ++n;
        return n;
    };
    Signal(kInput1, "steady " + std::to_string(DbLevel(-20)));
    meters->Tick();
    meters->Tick();
    EXPECT_EQ(modifies(), 1);

    const std::vector<MenuLine> menu = TrayMenu(window);
    const std::vector<MenuLine> expected{{ID_TRAY_METERS_HEADER, "QUORVI Level Meters", false},
                                         {0, "", false},
                                         {0, "Tray &Meter Settings", true},
                                         {ID_RESTORE_METERS, "&Restore Meter Window", true},
                                         {ID_CLOSE_TRAY_METER, "&Close Tray Meter", true}};
    EXPECT_EQ(menu, expected);

    SendMessageA(window, WM_COMMAND, ID_RESTORE_METERS, 0);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(shell_.ShownTip(window, 156));
    SysCommand(window, ID_MOVE_TO_TRAY);
    ASSERT_TRUE(meters->inTray());

    SendMessageA(window, WM_COMMAND, ID_SHOW_INPUTS, 0);
    EXPECT_EQ(shell_.ShownTip(window, 156), kTitle + "-Outputs 1 && 2 L/R");
    EXPECT_FALSE(shell_.ShownTip(window, 161));
    SendMessageA(window, WM_COMMAND, ID_SHOW_OUTPUTS, 0);
    EXPECT_EQ(shell_.ShownTip(window, 156), kTitle + "-Monitor L/R");
    SendMessageA(window, WM_COMMAND, ID_SHOW_MASTER, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(shell_.ShownTip(window, 156));
    // The frame hears of it and stores what the window kept.
    ASSERT_TRUE(PumpUntil([] { return StoredRecord().boards[0].showMasterMeters == 0; }));
    EXPECT_EQ(frame_->meterWindow(0), nullptr);
    SendMessageA(frame_->hwnd(), WM_COMMAND, ID_SHOW_METERS, 0);
    EXPECT_NE(frame_->meterWindow(0), nullptr) << "opens again";
}

// A board whose status cannot be read: one message per failing stretch, and
// the ticks go on without holding the meters busy.
TEST_F(MeterWindowTest, AFailingStatusReadIsReportedOncePerStretch) {
    Start(1);
    ASSERT_FALSE(HasFatalFailure());
    tray::CMeterWnd* meters = Open();
    ASSERT_NE(meters, nullptr);
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    boxes.Expect(IDOK);
    boards_->control("fail QUORVI_GET_STATUS 31 times 5");
    for (int i = 0; i < 5; ++i) meters->Tick();
    EXPECT_EQ(frame_->busy().meters, 0);
    ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes().size() == 1; }));
    PumpUntil([] { return false; }, 300);
    meters->Tick();
    boards_->control("fail QUORVI_GET_STATUS 31 times 2");
    meters->Tick();
    meters->Tick();
    ASSERT_TRUE(PumpUntil([&] { return boxes.Boxes().size() == 2; }));
    PumpUntil([] { return false; }, 300);
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Error: Failure reading meter data from QUORVI");
}

// The icons drawn at build time picture the pattern their resource number
// stands for: a bar per channel whose height shows its level class.
TEST(MeterTrayIcons, EachPictureShowsItsPattern) {
    static constexpr int kClassHeight[4] = {1, 5, 10, 14};
    const auto classesShown = [](HICON icon, int bars) {
        std::vector<int> classes;
        ICONINFO info{};
        if (!icon || !GetIconInfo(icon, &info)) return classes;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, info.hbmColor);
        const COLORREF background = GetPixel(dc, 0, 0);
        const int step = 16 / bars;
        for (int bar = 0; bar < bars; ++bar) {
            int height = 0;
            while (height < 16 && GetPixel(dc, bar * step + step / 2, 14 - height) != background) ++height;
            classes.push_back(static_cast<int>(std::find(kClassHeight, kClassHeight + 4, height) - kClassHeight));
        }
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        return classes;
    };
    const tray::TrayMeterIcon group{false, 0, ""}, master{true, 32, ""};
    for (int pattern : {0, 1, 2, 15, 16, 0x1B, 0xE4, 255}) {
        auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                                  MAKEINTRESOURCEA(tray::IconResource(group, pattern)), IMAGE_ICON,
                                                  16, 16, 0));
        const std::vector<int> expected{pattern >> 6, pattern >> 4 & 3, pattern >> 2 & 3, pattern & 3};
        EXPECT_EQ(classesShown(icon, 4), expected) << "group pattern " << pattern;
        DestroyIcon(icon);
    }
    for (int pattern = 0; pattern < 16; ++pattern) {
        auto icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                                  MAKEINTRESOURCEA(tray::IconResource(master, pattern)), IMAGE_ICON,
                                                  16, 16, 0));
        const std::vector<int> expected{pattern >> 2, pattern & 3};
        EXPECT_EQ(classesShown(icon, 2), expected) << "master pattern " << pattern;
        DestroyIcon(icon);
    }
}
