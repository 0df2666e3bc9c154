// The real program against virtual boards served in this process, with a
// stand-in for the shell's notification area: what it tells the boards,
// what its icon shows and what it stores.
#include <windows.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "RequestWords.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "testkit/BroadcastSpy.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/NotifyAreaSpy.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SpyWindow.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace testkit;
using quorvi::SettingsRecord;

namespace {

constexpr const char* kMakerKey = "SOFTWARE\\Quelmar";
constexpr const char* kTitle = "QUORVI Tray Controller";
const std::string kGreen = "QUORVI System Status (Green=OK)";
const std::string kRed = "QUORVI System Status (Red=clock error)";
const std::string kBlack = "QUORVI System Status (Black=fatal error)";
// A tick constant whose counts at 44.1 and 48 kHz are whole numbers.
constexpr std::uint32_t kEvenTicks = 25600;

std::string TrayProgram() { return ProgramDirectory() + "\\quorvitray.exe"; }

DWORD FloatBits(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

class TrayTest : public ::testing::Test {
protected:
    void Boards(std::uint32_t count, std::uint32_t ticks = 26688) {
        vboard::DriverConfig config;
        config.boards = count;
        for (auto& b : config.board) b.tickConstant = ticks;
        boards_ = std::make_unique<vboard::InProcessBoards>(config);
        ASSERT_TRUE(boards_->serving());
    }

    // Starts the tray and waits until its first tick completed the start-up.
    void StartTray() {
        ASSERT_TRUE(tray_.Start(TrayProgram()));
        boxes_.AlsoWatch(tray_.Id());
        ASSERT_TRUE(WaitUntil([&] { return (frame_ = FindTopWindow("", kTitle, tray_.Id())) != nullptr; }));
        // The last value the start-up writes; the first tick need not wait
        // for the timer then, and comes after what the start-up posted.
        ASSERT_TRUE(WaitUntil([] { return ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "Samples").has_value(); }));
        Tick();
        ASSERT_TRUE(shell_.WaitUntil([&](const std::vector<NotifyIconCall>& calls) {
            for (const NotifyIconCall& c : calls)
                if (c.owner == frame_ && c.operation == NIM_MODIFY && c.accepted) return true;
            return false;
        })) << "the first tick shows the icon";
    }

    std::size_t Count(std::uint32_t code) const { return boards_->log(code).size(); }
    std::size_t FlagReads() const { return Count(quorvi::QUORVI_GET_STATUS_FLAGS); }
    // A monitor tick now, as the timer would give it.
    void Tick() const { PostMessageA(frame_, WM_TIMER, 1, 0); }
    void TickAndWait() const {
        const std::size_t before = FlagReads();
        Tick();
        EXPECT_TRUE(WaitUntil([&] { return FlagReads() > before; }));
    }
    // Handled by the tray when this returns.
    void Send(const char* name, WPARAM wParam = 0, LPARAM lParam = 0) const {
        DWORD_PTR result;
        SendMessageTimeoutA(frame_, RegisterWindowMessageA(name), wParam, lParam, SMTO_NORMAL, 5000, &result);
    }
    void Post(const char* name) const { PostMessageA(frame_, RegisterWindowMessageA(name), 0, 0); }
    std::optional<std::string> Tip() const { return shell_.ShownTip(frame_, IDI_TRAY_OK); }
    bool TrayEnds() {
        const bool ended = tray_.Wait(kRobotWaitMs);
        return ended && tray_.ExitCode() == 0;
    }

    RegistrySandbox registry_;
    SystemDirSandbox files_{{"*.ssf"}};
    NotifyAreaSpy shell_;
    MessageBoxCatcher boxes_;
    std::unique_ptr<vboard::InProcessBoards> boards_;
    ChildProcess tray_;
    HWND frame_ = nullptr;
};

}  // namespace

TEST_F(TrayTest, StartsUpOnceCalibratesEachBoardAndShutsDownOnRequest) {
    Boards(2);
    boards_->control("ticks 1 25600");
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ControlPanelPage", 3));
    const BYTE bootResults[4] = {3, 0xFF, 0, 0};
    ASSERT_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kMakerKey, "QuorviStatus", REG_BINARY, bootResults, 4));
    boxes_.Expect(IDOK);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());

    const auto opens = boards_->opens();
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens[0].name, quorvi::kDeviceNameNT);
    EXPECT_EQ(opens[0].args.share, static_cast<std::uint32_t>(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    EXPECT_EQ(opens[0].args.disposition, static_cast<std::uint32_t>(OPEN_EXISTING));
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "Ticks0"), 26688u);
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "Ticks1"), 25600u);
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "Samples"), 32u);
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ShutdownMessage"),
              RegisterWindowMessageA("QUORVI SHUTDOWN"));
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kMakerKey, "ControlPanelPage"));
    EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, kMakerKey, "QuorviStatus")) << "read once, then gone";
    ASSERT_TRUE(boxes_.WaitForBoxes(1));
    EXPECT_EQ(boxes_.Texts()[0],
              "Board 1-Unable to load DSP code.\nDSP not reading code from host interface.\nA power cycle is necessary.");

    const auto sysSetup = boards_->log(quorvi::QUORVI_SET_SYS_SETUP);
    ASSERT_EQ(sysSetup.size(), 1u);
    EXPECT_EQ(Word(sysSetup[0].input, 1), 1u);
    const auto masks = boards_->log(quorvi::QUORVI_SET_STATUS_MASKS);
    ASSERT_GE(masks.size(), 2u);
    EXPECT_EQ(Word(masks[1].input, 0), 1u);
    EXPECT_EQ(Word(masks[1].input, 1), 0x106u) << "format 0 on an internal clock";
    EXPECT_TRUE(WaitUntil([] {
        return ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "SampleRate") == FloatBits(44100.0f);
    })) << "the master board's rate is announced";
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ClockSource"), 3u);
    EXPECT_EQ(Tip(), kGreen);

    ChildProcess second;
    ASSERT_TRUE(second.Start(TrayProgram()));
    EXPECT_TRUE(second.Wait(kRobotWaitMs)) << "a second tray ends at once";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(boards_->opens().size(), opens.size()) << "without touching the driver";
    EXPECT_EQ(Tip(), kGreen) << "and the first keeps its icon";

    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("QUORVI SHUTDOWN"), 0, 0);
    EXPECT_TRUE(TrayEnds());
    EXPECT_FALSE(Tip()) << "the icon goes with the program";
    EXPECT_TRUE(WaitUntil([&] { return boards_->driver().openHandles() == 0; }));
}

// Started together (at log-on and by hand, say), each tray would count the
// other's answer as well as its own and both would end. Here a second tray
// starts while the first one's question is still on its way round.
TEST_F(TrayTest, TwoTraysStartedTogetherLeaveOne) {
    Boards(1);
    const UINT startTray = RegisterWindowMessageA("START QUORVI TRAY");
    ChildProcess second;
    bool raced = false;
    SpyWindow racer("TrayTestRacer", [&](UINT msg, WPARAM, LPARAM, LRESULT& result) {
        if (msg != startTray || raced) return false;
        raced = true;
        if (!second.Start(TrayProgram())) return false;
        const DWORD begin = GetTickCount();
        while (second.ExitCode() == STILL_ACTIVE && GetTickCount() - begin < kRobotWaitMs) {
            MSG m;
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
            Sleep(10);
        }
        result = 0;
        return true;
    });
    StartTray();
    ASSERT_FALSE(HasFatalFailure()) << "the first tray ended";
    EXPECT_TRUE(second.Wait(kRobotWaitMs));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_EQ(Tip(), kGreen);
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("QUORVI SHUTDOWN"), 0, 0);
    EXPECT_TRUE(TrayEnds());
}

TEST_F(TrayTest, ABoardSwitchedTo48kHzGetsItsBandWordAndIsAnnounced) {
    Boards(1, kEvenTicks);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());
    auto record = std::make_unique<SettingsRecord>();
    ASSERT_TRUE(QuorviGetRegSettings(record.get(), 1));
    record->device.boards[0].format = 1;
    record->device.boards[0].mainClock[1] = 4;
    ASSERT_TRUE(QuorviSetRegSettings(record.get()));
    boards_->driver().clearLog();
    {
        win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, 0);
        ASSERT_TRUE(QuorviDoUpdate(record.get(), device.get(), 0));
    }
    EXPECT_TRUE(WaitUntil([] {
        return ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "SampleRate") == FloatBits(48000.0f);
    }));
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ClockSource"), 4u);
    // Another program's word on the rate is not the boards': the ASIO
    // driver would take it for theirs.
    Send("QUORVI SAMPLE RATE CHANGED", 99, static_cast<LPARAM>(FloatBits(std::nanf(""))));
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "SampleRate"), FloatBits(48000.0f));
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ClockSource"), 4u);
    const auto fpga = boards_->log(quorvi::QUORVI_HC_SEND_FPGABYTE);
    ASSERT_FALSE(fpga.empty());
    EXPECT_EQ(Word(fpga.back().input, 1), 0x502u);
    const auto masks = boards_->log(quorvi::QUORVI_SET_STATUS_MASKS);
    ASSERT_FALSE(masks.empty()) << "the update's end re-applies the status masks";
    EXPECT_EQ(Word(masks.back().input, 1), 0x172u);
}

TEST_F(TrayTest, StatusWordsDriveTheIcon) {
    Boards(1);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());

    // Words read while another program identifies the board, and in the
    // four ticks after, are not taken.
    Send("QUORVI IDENTIFY START");
    boards_->control("status 0 0 2");
    TickAndWait();
    TickAndWait();
    Send("QUORVI IDENTIFY STOP");
    const std::size_t stop = FlagReads();
    for (int i = 0; i < 4; ++i) TickAndWait();
    ASSERT_TRUE(WaitUntil([&] { return FlagReads() >= stop + 4; }));
    Sleep(100);
    if (FlagReads() == stop + 4) {
        EXPECT_EQ(Tip(), kGreen);
    }
    ASSERT_TRUE(shell_.WaitForTip(IDI_TRAY_OK, kRed));
    EXPECT_GE(FlagReads(), stop + 5);

    // A click on the icon clears it on the next tick once the error is gone.
    boards_->control("status 0 0 0");
    PostMessageA(frame_, WM_USER + 1, IDI_TRAY_OK, WM_LBUTTONDOWN);
    TickAndWait();
    EXPECT_TRUE(shell_.WaitForTip(IDI_TRAY_OK, kGreen));

    // A fatal error: one message, a black icon, and no more monitoring.
    boxes_.Expect(IDOK);
    boards_->control("status 0 0x80000000 0");
    Tick();
    ASSERT_TRUE(boxes_.WaitForBoxes(1));
    EXPECT_EQ(boxes_.Texts()[0],
              "QUORVI fatal error has occurred.\nTo restart the QUORVI board, you must power cycle your computer.");
    EXPECT_TRUE(shell_.WaitForTip(IDI_TRAY_OK, kBlack));
    const std::size_t reads = FlagReads();
    Tick();
    Sleep(900);  // past the timer's period
    EXPECT_EQ(FlagReads(), reads);
}

TEST_F(TrayTest, AnUpdatePausesTheMonitorUntilItEndsOrItsBoundPasses) {
    Boards(1);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());
    Send("START QUORVI UPDATE");
    const std::size_t paused = FlagReads();
    Tick();
    Sleep(900);
    EXPECT_EQ(FlagReads(), paused) << "no driver request while another program updates";
    const std::size_t masks = Count(quorvi::QUORVI_SET_STATUS_MASKS);
    Send("END QUORVI UPDATE");
    EXPECT_EQ(Count(quorvi::QUORVI_SET_STATUS_MASKS), masks + 1);
    TickAndWait();

    // An update that failed never ends; the pause does, after its bound
    // (here its timer, fired at once).
    Send("START QUORVI UPDATE");
    Tick();
    Sleep(300);
    const std::size_t stuck = FlagReads();
    PostMessageA(frame_, WM_TIMER, 2, 0);
    TickAndWait();
    EXPECT_GT(FlagReads(), stuck);
    EXPECT_TRUE(boxes_.Texts().empty()) << "nothing was busy, so nothing waited";
}

TEST_F(TrayTest, AUserSetupIsLoadedWholeOrNotAtAll) {
    Boards(1);
    auto record = std::make_unique<SettingsRecord>();
    ASSERT_TRUE(QuorviGetRegSettings(record.get(), 1));
    std::strcpy(record->description, "Studio A");
    std::strcpy(record->fileName, "studio-b.ssf");  // copied from another setup
    record->device.boards[0].format = 2;
    std::vector<std::uint8_t> bytes(sizeof *record);
    std::memcpy(bytes.data(), record.get(), bytes.size());
    ASSERT_TRUE(WriteSystemFile("studio-a.ssf", bytes));
    bytes.resize(20000);
    ASSERT_TRUE(WriteSystemFile("cut.ssf", bytes));
    record->version = 21;
    bytes.resize(sizeof *record);
    std::memcpy(bytes.data(), record.get(), bytes.size());
    ASSERT_TRUE(WriteSystemFile("old.ssf", bytes));
    const std::string list = std::string("studio-a.ssf") + '\0' + "cut.ssf" + '\0' + "old.ssf" + '\0' + '\0';
    ASSERT_TRUE(WriteRegValue(HKEY_CURRENT_USER, "Software\\Quelmar", "UserMenu", REG_MULTI_SZ, list.data(),
                              static_cast<DWORD>(list.size())));
    StartTray();
    ASSERT_FALSE(HasFatalFailure());
    BroadcastSpy spy;
    const std::size_t updates = Count(quorvi::QUORVI_SYS_UPDATE);

    boxes_.Expect(IDOK, 2);
    SendMessageA(frame_, WM_COMMAND, ID_USER_SETUP_FIRST + 1, 0);
    SendMessageA(frame_, WM_COMMAND, ID_USER_SETUP_FIRST + 2, 0);
    ASSERT_TRUE(boxes_.WaitForBoxes(2));
    EXPECT_EQ(boxes_.Texts(), (std::vector<std::string>{"Error reading setup file!", "Error reading setup file!"}));
    EXPECT_EQ(Count(quorvi::QUORVI_SYS_UPDATE), updates) << "nothing of a short or old file reaches the boards";
    EXPECT_EQ(RegQuery("HKCU\\Software\\Quelmar\\Setups", "Current"), "Current|REG_SZ|factory.ssf");

    SendMessageA(frame_, WM_COMMAND, ID_USER_SETUP_FIRST, 0);
    const auto sent = boards_->log(quorvi::QUORVI_SYS_UPDATE);
    ASSERT_EQ(sent.size(), updates + 1);
    EXPECT_EQ(sent.back().input[24 + offsetof(quorvi::BoardDeviceBlock, format)], 2);
    EXPECT_EQ(RegQuery("HKCU\\Software\\Quelmar\\Setups", "Current"), "Current|REG_SZ|studio-a.ssf");
    EXPECT_FALSE(SystemFileExists("studio-b.ssf")) << "stored under the name it was loaded from";
    auto chosen = spy.WaitFor("QUORVI USER MENU CHOSEN");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->wParam, 0u);
}

TEST_F(TrayTest, OnWindows98TheDriverIsOpenedItsWayAndStartUpFailuresWaitForTheFirstTick) {
    WindowsVersionSetting version("quorvitray.exe", "win98");
    Boards(1);
    boards_->control("fail QUORVI_GET_SYS_SETUP 31 once");
    boxes_.Expect(IDOK);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());
    const auto opens = boards_->opens();
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens[0].name, quorvi::kDeviceName9x);
    EXPECT_EQ(opens[0].args.disposition, 0u);
    ASSERT_TRUE(boxes_.WaitForBoxes(1));
    EXPECT_EQ(boxes_.Texts()[0], "Error getting system settings");
    EXPECT_EQ(Count(quorvi::QUORVI_SET_SYS_SETUP), 0u) << "a block never read is not written back";
    EXPECT_EQ(Tip(), kGreen) << "the boards past the last were counted by the driver's 9x answer";
}

// Monitoring that fails before it starts shows no icon and starts no timer,
// and says so once start-up is over instead of never.
TEST_F(TrayTest, AStatusReadFailingAtStartUpIsReportedAndNothingRuns) {
    Boards(1);
    boards_->control("fail QUORVI_GET_STATUS_FLAGS 31");
    boxes_.Expect(IDOK);
    ASSERT_TRUE(tray_.Start(TrayProgram()));
    boxes_.AlsoWatch(tray_.Id());
    ASSERT_TRUE(boxes_.WaitForBoxes(1));
    EXPECT_EQ(boxes_.Texts()[0],
              "Error getting error/status information: IOCTL failed.\nFuture updates disabled until reboot.");
    ASSERT_TRUE(WaitUntil([&] { return (frame_ = FindTopWindow("", kTitle, tray_.Id())) != nullptr; }));
    Sleep(900);  // the updates the start-up made have ended, and a tick would have come
    EXPECT_TRUE(shell_.Calls().empty()) << "no icon";
    EXPECT_EQ(FlagReads(), 1u) << "one read in the start-up, none after";
    EXPECT_EQ(boxes_.Texts().size(), 1u) << "and one message";
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("QUORVI SHUTDOWN"), 0, 0);
    EXPECT_TRUE(TrayEnds());
}

// The real program's meter windows: from its menu and from another program
// through quorvicore, one per board; closing one stores where it was.
TEST_F(TrayTest, MeterWindowsOpenFromTheMenuAndFromOtherPrograms) {
    Boards(2);
    StartTray();
    ASSERT_FALSE(HasFatalFailure());
    PostMessageA(frame_, WM_COMMAND, ID_SHOW_METERS_1, 0);
    HWND first = WaitForTopWindow("", "QUORVI #1 Audio Level Meters", kRobotWaitMs, tray_.Id());
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(QuorviOpenMeters(1));
    HWND second = WaitForTopWindow("", "QUORVI #2 Audio Level Meters", kRobotWaitMs, tray_.Id());
    ASSERT_NE(second, nullptr);
    QuorviOpenMeters(0);
    QuorviOpenMeters(7);  // no such board
    // Posted after the requests, so handled after them.
    PostMessageA(frame_, WM_COMMAND, ID_SHOW_STATUS, 0);
    HWND sheet = WaitForTopWindow("#32770", "QUORVI Status", kRobotWaitMs, tray_.Id());
    ASSERT_NE(sheet, nullptr);
    int windows = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "QuorviTrayMeters", nullptr)) != nullptr;) ++windows;
    EXPECT_EQ(windows, 2) << "one window per board";
    PostMessageA(sheet, WM_CLOSE, 0, 0);

    SetWindowPos(second, nullptr, 40, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT place{};
    GetWindowRect(second, &place);
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] {
        auto record = std::make_unique<SettingsRecord>();
        QuorviGetRegSettings(record.get(), 1);
        return record->boards[1].metersLeft == place.left && record->boards[1].metersTop == place.top;
    })) << "the closed window's place is stored";
    EXPECT_TRUE(IsWindow(first));
}
