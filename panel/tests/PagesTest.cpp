// The Setups, Meters/Mixer and Device Appearance pages and the Identify
// dialog, driven by the robot in the real applet against virtual boards.
#include "AppletFixture.h"
#include "testkit/BroadcastSpy.h"
#include <atomic>
#include <thread>

using namespace applettest;
using quorvi::BoardPanelBlock;
using quorvi::DeviceBlock;
using quorvi::SettingsRecord;

namespace {

constexpr std::size_t DeviceField(std::size_t field) { return offsetof(SettingsRecord, device) + field; }
constexpr std::size_t PanelField(int board, std::size_t field) {
    return offsetof(SettingsRecord, boards) + board * sizeof(BoardPanelBlock) + field;
}
constexpr std::size_t kMtcOffset = DeviceField(offsetof(DeviceBlock, mtcSettings));
constexpr std::size_t kLatencyOffset = DeviceField(offsetof(DeviceBlock, latencyIndex));
constexpr std::size_t kMasterOffset = DeviceField(offsetof(DeviceBlock, masterBoard));
constexpr const char* kFactoryDescription = "Factory default setup file";
const std::string kService = "SYSTEM\\CurrentControlSet\\Services\\QuorviNT";

class PagesTest : public AppletTest {
protected:
    // A setup file made from the factory file, as the user would save one.
    static void WriteSetup(const std::string& name, const std::string& description, std::uint8_t format) {
        auto bytes = ReadSystemFile("factory.ssf");
        ASSERT_TRUE(bytes && bytes->size() == sizeof(SettingsRecord));
        SettingsRecord record;
        std::memcpy(&record, bytes->data(), sizeof record);
        record.eraseProtect = 0;
        std::memset(record.description, 0, sizeof record.description);
        std::memcpy(record.description, description.data(), description.size());
        std::memset(record.fileName, 0, sizeof record.fileName);
        std::memcpy(record.fileName, name.data(), name.size());
        record.device.boards[0].format = format;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&record);
        ASSERT_TRUE(WriteSystemFile(name, std::vector<std::uint8_t>(raw, raw + sizeof record)));
    }
    static void OpenOn(int tab) {
        ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage", tab));
    }
    static int ShownFormat(HWND sheet) {
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        return ComboSelection(Control(sheet, IDC_FORMAT_LIST));
    }
    static void SettingsStored(HWND sheet) { SendMessageA(sheet, RegisterWindowMessageA("QUORVI CP"), 0, 0); }
    // The factory file, "studio.ssf" and the tray's user menu: the file
    // names, each followed by its NUL.
    void StudioAndUserMenu(MessageBoxCatcher& boxes, const std::string& names) {
        MakeFactoryFile(boxes);
        WriteSetup("studio.ssf", "Studio", 3);
        const std::string value = names + '\0';
        ASSERT_TRUE(WriteRegValue(HKEY_CURRENT_USER, "Software\\Quelmar", "UserMenu", REG_MULTI_SZ, value.data(),
                                  static_cast<DWORD>(value.size())));
    }
    static void UserMenuChosen(HWND sheet, WPARAM entry) {
        SendMessageA(sheet, RegisterWindowMessageA("QUORVI USER MENU CHOSEN"), entry, 0);
    }
    static HWND OpenDialog(HWND sheet, int button, const char* caption) {
        PostClick(Control(sheet, button));
        return WaitForTopWindow("#32770", caption);
    }
    // Returns once the handler that ran the dialog has done its work too
    // (a file deleted or written, the sheet marked changed).
    static void Close(HWND dialog, int button) {
        HWND owner = GetWindow(dialog, GW_OWNER);
        PostClick(Control(dialog, button));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        WaitIdle(owner);
    }
    std::size_t Polls() const { return boards_->log(quorvi::QUORVI_HC_GET_FPGABYTE).size(); }
};

// The boards' clock follows real time while it lives, as in quorvisim: the
// identify dialog's own poll period then decides what it sees.
class RealTime {
public:
    explicit RealTime(vboard::InProcessBoards& boards)
        : thread_([this, &boards] {
              DWORD last = GetTickCount();
              while (!stop_) {
                  Sleep(2);
                  const DWORD now = GetTickCount();
                  boards.advanceMs(static_cast<std::uint32_t>(now - last));
                  last = now;
              }
          }) {}
    ~RealTime() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

// A setup chosen in the list is only the working record's until OK or
// Apply: settings the tray stores meanwhile do not replace it. Choosing the
// applied setup again reads it afresh and follows the tray again.
TEST_F(PagesTest, AChosenSetupWaitsForApplyAndTheAppliedOneFollowsTheTray) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    WriteSetup("studio.ssf", "Studio", 3);
    RunSheet([&](HWND sheet) {
        HWND list = Control(sheet, IDC_SETUP_LIST);
        std::vector<std::string> items = ComboItems(list);
        std::sort(items.begin(), items.end());
        EXPECT_EQ(items, (std::vector<std::string>{kFactoryDescription, "Studio"}));
        EXPECT_EQ(GetText(list), kFactoryDescription);
        EXPECT_EQ(ShownFormat(sheet), 0);
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 5);   // an edit not applied

        ASSERT_TRUE(SelectTab(sheet, 0));
        ASSERT_TRUE(SelectComboText(list, "Studio"));
        EXPECT_TRUE(IsEnabled(Control(sheet, kApplyNow)));
        EXPECT_EQ(ShownFormat(sheet), 3);
        const std::uint8_t korg = 4;
        PatchFactory(kFormatOffset, &korg, 1);
        SettingsStored(sheet);
        EXPECT_EQ(ShownFormat(sheet), 3);

        ASSERT_TRUE(SelectTab(sheet, 0));
        ASSERT_TRUE(SelectComboText(list, kFactoryDescription));
        EXPECT_EQ(ShownFormat(sheet), 4);   // as the file holds it now, the edit gone
        const std::uint8_t dat = 6;
        PatchFactory(kFormatOffset, &dat, 1);
        SettingsStored(sheet);
        EXPECT_EQ(ShownFormat(sheet), 6);
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_EQ(Updates(), 0u);
}

TEST_F(PagesTest, DeletingSetupsAndTheirEraseProtection) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    WriteSetup("studio.ssf", "Studio", 3);
    RunSheet([&](HWND sheet) {
        HWND list = Control(sheet, IDC_SETUP_LIST);
        ASSERT_TRUE(SelectComboText(list, "Studio"));
        Click(Control(sheet, kApplyNow));
        EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Software\\Quelmar\\Setups", "Current"), "studio.ssf");

        HWND confirm = OpenDialog(sheet, IDC_SETUP_DELETE, "Delete Setup File");
        ASSERT_NE(confirm, nullptr);
        EXPECT_EQ(GetText(Control(confirm, IDC_SETUP_FILE_NAME)), "studio.ssf");
        EXPECT_EQ(GetText(Control(confirm, IDC_SETUP_DESCRIPTION)), "Studio");
        Close(confirm, IDOK);
        EXPECT_FALSE(SystemFileExists("studio.ssf"));
        // The first remaining setup is loaded, to be applied.
        EXPECT_EQ(ComboItems(list), std::vector<std::string>{kFactoryDescription});
        EXPECT_EQ(GetText(list), kFactoryDescription);
        EXPECT_TRUE(IsEnabled(Control(sheet, kApplyNow)));
        EXPECT_EQ(ShownFormat(sheet), 0);
        ASSERT_TRUE(SelectTab(sheet, 0));

        boxes.Expect(IDOK);
        Click(Control(sheet, IDC_SETUP_DELETE));   // erase-protected
        EXPECT_TRUE(SystemFileExists("factory.ssf"));

        HWND properties = OpenDialog(sheet, IDC_SETUP_PROPERTIES, "Setup Properties");
        ASSERT_NE(properties, nullptr);
        EXPECT_EQ(GetText(Control(properties, IDC_SETUP_FILE_NAME)), "factory.ssf");
        EXPECT_EQ(GetCheck(Control(properties, IDC_ERASE_PROTECT)), BST_CHECKED);
        SetCheck(Control(properties, IDC_ERASE_PROTECT), false);
        TypeText(Control(properties, IDC_SETUP_DESCRIPTION), "Factory, unprotected");
        Close(properties, IDOK);
        EXPECT_EQ(FactoryWord(offsetof(SettingsRecord, eraseProtect)), 0);
        EXPECT_EQ(GetText(list), "Factory, unprotected");

        confirm = OpenDialog(sheet, IDC_SETUP_DELETE, "Delete Setup File");
        ASSERT_NE(confirm, nullptr);
        boxes.Expect(IDOK);   // no setup file left
        Close(confirm, IDOK);
        EXPECT_TRUE(boxes.WaitForBoxes(3));
        EXPECT_FALSE(SystemFileExists("factory.ssf"));
        CloseWith(sheet, IDCANCEL);
    });
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].rfind("This setup file is erase protected and cannot be deleted.", 0), 0u);
    EXPECT_EQ(texts[2], "Error: No QUORVI setup files found.\nFailed to find any .SSF files in the Windows system directory.");
}

// "Save As..." writes the working record, unapplied edits and all, to a new
// file that becomes the current setup.
TEST_F(PagesTest, SaveAsMakesACopyTheCurrentSetup) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    char before[MAX_PATH] = {}, after[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof before, before);
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(ShownFormat(sheet), 0);
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 2);
        ASSERT_TRUE(SelectTab(sheet, 0));
        HWND save = OpenDialog(sheet, IDC_SETUP_SAVE_AS, "Save As");
        ASSERT_NE(save, nullptr);
        // The file name box and the Save button; the dialog's toolbar also has id 1.
        HWND name = reinterpret_cast<HWND>(SendMessageA(Control(save, 0x47C), CBEM_GETEDITCONTROL, 0, 0));
        HWND saveButton = FindWindowExA(save, nullptr, "Button", "&Save");
        ASSERT_TRUE(name && saveButton);
        TypeText(name, SystemFilePath("live.ssf"));
        PostClick(saveButton);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(save); }));
        HWND list = Control(sheet, IDC_SETUP_LIST);
        EXPECT_EQ(GetText(list), "Copy of Factory default setup file");
        EXPECT_EQ(ComboItems(list).size(), 2u);
        CloseWith(sheet, IDCANCEL);
    });
    auto copy = ReadSystemFile("live.ssf");
    ASSERT_TRUE(copy && copy->size() == sizeof(SettingsRecord));
    EXPECT_EQ((*copy)[kFormatOffset], 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy->data()) + offsetof(SettingsRecord, fileName)), "live.ssf");
    EXPECT_EQ(FactoryByte(kFormatOffset), 0);
    EXPECT_EQ(Updates(), 0u);
    // The host process keeps its current directory.
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(after, before);
}

// The tray loaded and applied a setup of its user menu: the applet follows,
// even before its Setups page was ever shown, with nothing left to apply.
TEST_F(PagesTest, AUserMenuChoiceOfTheTrayIsFollowed) {
    MessageBoxCatcher boxes;
    Boards(1);
    StudioAndUserMenu(boxes, std::string("studio.ssf\0", 11));
    OpenOn(Tab(0, kFormat));
    RunSheet([&](HWND sheet) {
        UserMenuChosen(sheet, 0);
        EXPECT_EQ(ComboSelection(Control(sheet, IDC_FORMAT_LIST)), 3);
        EXPECT_FALSE(IsEnabled(Control(sheet, kApplyNow)));
        boxes.Expect(IDOK);
        UserMenuChosen(sheet, 1);   // beyond the menu
        boxes.Expect(IDOK);
        UserMenuChosen(sheet, static_cast<WPARAM>(-1));
        ASSERT_TRUE(SelectTab(sheet, 0));
        EXPECT_EQ(GetText(Control(sheet, IDC_SETUP_LIST)), "Studio");
        CloseWith(sheet, IDCANCEL);
    });
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], "Error changing to user menu setup!  Did you delete setup files?");
    EXPECT_EQ(texts[2], texts[1]);
}

// After the tray applied a setup of its menu, that setup is the applied
// one: another chosen in the list waits for Apply, and settings the tray
// stores for its choice are followed.
TEST_F(PagesTest, TheTraysChoiceIsTheAppliedSetupFromThenOn) {
    MessageBoxCatcher boxes;
    Boards(1);
    StudioAndUserMenu(boxes, std::string("studio.ssf\0factory.ssf\0", 23));
    // What the tray does for entry n of its menu before it tells the applet.
    auto trayApplies = [&](HWND sheet, WPARAM entry, const char* file) {
        ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, "Software\\Quelmar\\Setups", "Current", file));
        UserMenuChosen(sheet, entry);
    };
    const std::uint8_t korg = 4;
    RunSheet([&](HWND sheet) {
        HWND list = Control(sheet, IDC_SETUP_LIST);
        ASSERT_TRUE(SelectComboText(list, "Studio"));   // not applied
        trayApplies(sheet, 1, "factory.ssf");
        PatchFactory(kFormatOffset, &korg, 1);
        SettingsStored(sheet);
        EXPECT_EQ(ShownFormat(sheet), 4);

        trayApplies(sheet, 0, "studio.ssf");
        ASSERT_TRUE(SelectTab(sheet, 0));
        ASSERT_TRUE(SelectComboText(list, kFactoryDescription));   // not applied
        SettingsStored(sheet);
        EXPECT_EQ(ShownFormat(sheet), 4);
        ASSERT_TRUE(SelectTab(sheet, 0));
        EXPECT_EQ(GetText(list), kFactoryDescription);
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_EQ(boxes.Texts().size(), 1u);
}

TEST_F(PagesTest, TheMtcWordAndTheSystemOptions) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    const std::int32_t latency = 2;
    PatchFactory(kLatencyOffset, &latency, 4);
    const int preserved = FactoryWord(offsetof(SettingsRecord, preserveMixLevels));
    RunSheet([&](HWND sheet) {
        // One board: the master is always the first.
        EXPECT_EQ(GetText(Control(sheet, IDC_MASTER_TEXT)), "QUORVI #1");
        ClickArrow(Control(sheet, IDC_MASTER_ARROWS), true);
        EXPECT_EQ(GetText(Control(sheet, IDC_MASTER_TEXT)), "QUORVI #1");
        EXPECT_FALSE(IsEnabled(Control(sheet, kApplyNow)));
        HWND latencies = Control(sheet, IDC_LATENCY_LIST);
        EXPECT_TRUE(IsEnabled(latencies));
        EXPECT_EQ(ComboSelection(latencies), 2);

        HWND mtc = OpenDialog(sheet, IDC_MTC_SETUP, "MTC Device Setup");
        ASSERT_NE(mtc, nullptr);
        for (int checked : {IDC_MTC_NONE, IDC_MTC_48, IDC_MTC_NORMAL, IDC_MTC_NON_DROP})
            EXPECT_EQ(GetCheck(Control(mtc, checked)), BST_CHECKED) << checked;
        for (int clear : {IDC_MTC_FREE_RUNNING, IDC_MTC_SYNCHRONISER, IDC_MTC_441, IDC_MTC_PULL_UP,
                          IDC_MTC_PULL_DOWN, IDC_MTC_DROP_FRAME})
            EXPECT_EQ(GetCheck(Control(mtc, clear)), BST_UNCHECKED) << clear;
        EXPECT_EQ(GetText(Control(mtc, IDC_MTC_TIMEBASE)), "30 fps ");
        for (int click : {IDC_MTC_FREE_RUNNING, IDC_MTC_441, IDC_MTC_PULL_DOWN, IDC_MTC_DROP_FRAME})
            Click(Control(mtc, click));
        SelectComboItem(Control(mtc, IDC_MTC_TIMEBASE), 2);
        Close(mtc, IDOK);
        EXPECT_TRUE(IsEnabled(Control(sheet, kApplyNow)));

        Click(Control(sheet, IDC_PRESERVE_MIX));
        SelectComboItem(latencies, 3);
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(Updates(), 1u);
    EXPECT_EQ(FactoryWord(kMtcOffset) & 0xFFFF, 0x1 | 0x4 | 0x200 | 0x2000 | 0x4000);
    EXPECT_EQ(FactoryWord(kLatencyOffset), 3);
    EXPECT_EQ(FactoryWord(offsetof(SettingsRecord, preserveMixLevels)), preserved ? 0 : 1);
}

TEST_F(PagesTest, MasterBoardAndAnOlderBoardsLatency) {
    MessageBoxCatcher boxes;
    vboard::DriverConfig config;
    config.boards = 2;
    config.board[1].capability = 0;   // an older board: the first latency only
    Boards(config);
    MakeFactoryFile(boxes);
    const std::int32_t latency = 2;
    PatchFactory(kLatencyOffset, &latency, 4);
    RunSheet([&](HWND sheet) {
        HWND master = Control(sheet, IDC_MASTER_TEXT);
        EXPECT_EQ(GetText(master), "QUORVI #1");
        ClickArrow(Control(sheet, IDC_MASTER_ARROWS), true);
        EXPECT_EQ(GetText(master), "QUORVI #2");
        ClickArrow(Control(sheet, IDC_MASTER_ARROWS), true);
        EXPECT_EQ(GetText(master), "QUORVI #2");
        HWND latencies = Control(sheet, IDC_LATENCY_LIST);
        EXPECT_FALSE(IsEnabled(latencies));
        EXPECT_EQ(ComboSelection(latencies), 0);
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(FactoryWord(kMasterOffset), 1);
    EXPECT_EQ(FactoryWord(kLatencyOffset), 0);
}

TEST_F(PagesTest, MetersAndMixerOptions) {
    using quorvi::BoardDeviceBlock;
    MessageBoxCatcher boxes;
    BroadcastSpy spy;
    Boards(1);
    MakeFactoryFile(boxes);
    const std::int32_t beyond = 40;   // from a file the lists have no entry for
    const std::size_t dest1Left = BoardField(0, offsetof(BoardDeviceBlock, monitorDest[0][0]));
    PatchFactory(dest1Left, &beyond, 4);
    const int onTop = FactoryWord(PanelField(0, offsetof(BoardPanelBlock, fadersOnTop)));
    OpenOn(Tab(0, kMeters));
    RunSheet([&](HWND sheet) {
        HWND left1 = Control(sheet, IDC_MONITOR1_LEFT);
        EXPECT_EQ(ComboItems(left1).size(), 17u);
        EXPECT_EQ(ComboSelection(left1), -1);
        Click(Control(sheet, IDC_FADERS_ON_TOP));
        EXPECT_FALSE(IsEnabled(Control(sheet, kApplyNow)));
        Click(Control(sheet, IDC_OPEN_METERS));
        const auto meters = spy.WaitFor("QUORVI METERS");
        ASSERT_TRUE(meters);
        EXPECT_EQ(meters->wParam, 0u);
        Click(Control(sheet, IDC_RANGE_144));
        EXPECT_TRUE(IsEnabled(Control(sheet, kApplyNow)));

        HWND decay = OpenDialog(sheet, IDC_DECAY_RATE, "Set Meter Decay Rate");
        ASSERT_NE(decay, nullptr);
        SendMessageA(Control(decay, 1000), TBM_SETPOS, TRUE, 20);
        Close(decay, IDOK);

        ASSERT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 3);
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kMeters)));
        EXPECT_EQ(ComboItems(left1),
                  (std::vector<std::string>{"Off", "SPDIF A Ch 1", "SPDIF A Ch 2", "SPDIF B Ch 1", "SPDIF B Ch 2"}));
        SelectComboItem(Control(sheet, IDC_MONITOR2_LEFT), 2);
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(FactoryWord(PanelField(0, offsetof(BoardPanelBlock, fadersOnTop))), onTop ? 0 : 1);
    EXPECT_EQ(FactoryByte(PanelField(0, offsetof(BoardPanelBlock, meterRange))), 3);
    EXPECT_EQ(FactoryWord(PanelField(0, offsetof(BoardPanelBlock, decayRate))), 80);
    EXPECT_EQ(FactoryWord(dest1Left), beyond);   // untouched by the user, kept
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, monitorDest[1][3]))), 2);
}

TEST_F(PagesTest, DeviceAppearanceIsSavedOnlyByItsOwnButton) {
    MessageBoxCatcher boxes;
    RegistrySandbox driverKey({{HKEY_LOCAL_MACHINE, kService}});
    Boards(1);
    MakeFactoryFile(boxes);
    OpenOn(Tab(0, kAppearance));
    RunSheet([&](HWND sheet) {
        boxes.Expect(IDOK);   // no driver installed: nothing can be stored
        Click(Control(sheet, IDC_SAVE_APPEARANCE));
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kService));

    const std::string board = kService + "\\QuorviBoard0";
    ASSERT_TRUE(WriteRegString(HKEY_LOCAL_MACHINE, board + "\\MonoOut3", "DeviceName", "Desk %d"));
    RunSheet([&](HWND sheet) {
        HWND outputs = Control(sheet, IDC_OUTPUT_DEVICES);
        ASSERT_TRUE(SelectComboItem(outputs, 3));
        EXPECT_EQ(GetText(Control(sheet, IDC_OUTPUT_FORMAT)), "Desk %d");
        EXPECT_EQ(GetText(Control(sheet, IDC_OUTPUT_PREVIEW)), "Desk 1");
        ASSERT_TRUE(SelectComboItem(Control(sheet, IDC_INPUT_DEVICES), 17));
        TypeText(Control(sheet, IDC_INPUT_FORMAT), "In %s %x %y");
        EXPECT_EQ(GetText(Control(sheet, IDC_INPUT_PREVIEW)), "In 1 2  y");
        // Settings the tray stores are the record's: the names being typed stay.
        SettingsStored(sheet);
        ASSERT_TRUE(SelectComboItem(Control(sheet, IDC_INPUT_DEVICES), 16));
        ASSERT_TRUE(SelectComboItem(Control(sheet, IDC_INPUT_DEVICES), 17));
        EXPECT_EQ(GetText(Control(sheet, IDC_INPUT_FORMAT)), "In %d %d  y");
        TypeText(Control(sheet, IDC_MONO_IN), "20");
        boxes.Expect(IDOK);
        EXPECT_FALSE(SelectTab(sheet, Tab(0, kOutRouting)));
        TypeText(Control(sheet, IDC_MONO_IN), "12");
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kOutRouting)));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, board + "\\StereoIn1"));

        // Shown again: what is stored, the edits gone.
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kAppearance)));
        EXPECT_EQ(GetText(Control(sheet, IDC_INPUT_FORMAT)), "Quelmar QUORVI %d Stereo In%d");
        EXPECT_EQ(GetText(Control(sheet, IDC_MONO_IN)), "0");
        EXPECT_EQ(GetText(Control(sheet, IDC_OUTPUT_FORMAT)), "Desk %d");
        Click(Control(sheet, IDC_RESTORE_OUTPUTS));
        EXPECT_EQ(GetText(Control(sheet, IDC_OUTPUT_PREVIEW)), "Quelmar QUORVI 1 Mono Out4");
        boxes.Expect(IDOK);
        Click(Control(sheet, IDC_SAVE_APPEARANCE));
        CloseWith(sheet, IDCANCEL);
    });
    for (int i = 0; i < 25; ++i) {
        const std::string key = i < 16 ? "\\MonoOut" + std::to_string(i)
                              : i < 24 ? "\\StereoOut" + std::to_string(i - 16) : "\\MonitorOut";
        const char* name = i < 16 ? "Quelmar QUORVI %d Mono Out%d"
                         : i < 24 ? "Quelmar QUORVI %d Stereo Out%d" : "Quelmar QUORVI %d Monitor Out";
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, board + key, "DeviceName"), name) << key;
    }
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kService + "\\QuorviMTC", "DeviceName"), "Quelmar QUORVI MTC In");
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, board, "nMonoInDevices"), 0u);
    // The sheet opens next time on the page shown before it.
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage"),
              static_cast<DWORD>(Tab(0, kOutRouting)));
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1].rfind("Error: The device appearance settings could not be saved.", 0), 0u);
    EXPECT_EQ(texts[2], "Please enter an integer between 0 and 16.");
    EXPECT_EQ(texts[3], "Device appearance changes will not take effect until the system is restarted.");
}

// Identification: the board flashes its outputs, the tray is told to keep
// off the boards, and a looped input shows as connected. Closing gives the
// boards the stored settings back; edits not yet applied stay for OK.
TEST_F(PagesTest, IdentifyShowsALoopedInputAndRestoresTheBoards) {
    using quorvi::BoardDeviceBlock;
    MessageBoxCatcher boxes;
    BroadcastSpy spy;
    vboard::DriverConfig config;
    config.boards = 2;
    config.board[1].loopA = true;
    Boards(config);
    MakeFactoryFile(boxes);
    const int storedClock = FactoryByte(BoardField(1, offsetof(BoardDeviceBlock, mainClock[0])));
    OpenOn(Tab(1, kClocks));
    RunSheet([&](HWND sheet) {
        Click(Control(sheet, storedClock == 4 ? IDC_MAIN_441 : IDC_MAIN_48));
        ASSERT_TRUE(SelectTab(sheet, Tab(1, kFormat)));
        HWND identify = OpenDialog(sheet, IDC_IDENTIFY, "Identify Board and Optical Connections");
        ASSERT_NE(identify, nullptr);
        const auto start = spy.WaitFor("QUORVI IDENTIFY START");
        ASSERT_TRUE(start);
        EXPECT_TRUE(start->sent);
        EXPECT_NE(start->wParam, 0u);
        EXPECT_NE(start->lParam, 0);
        HWND a = Control(identify, IDC_INPUT_A_STATUS), b = Control(identify, IDC_INPUT_B_STATUS);
        {
            RealTime running(*boards_);
            EXPECT_TRUE(WaitUntil([&] { return GetText(a) == "Connected"; }));
        }
        EXPECT_EQ(GetText(b), "Unconnected");
        EXPECT_EQ(Updates(), 0u);
        Close(identify, IDOK);
        const auto stop = spy.WaitFor("QUORVI IDENTIFY STOP");
        ASSERT_TRUE(stop);
        EXPECT_FALSE(stop->sent);
        EXPECT_EQ(stop->wParam, start->wParam);
        EXPECT_TRUE(WaitUntil([&] { return Updates() == 1; }));
        CloseWith(sheet, IDOK);
    });
    const auto stopSerial = boards_->log(quorvi::STOP_SERIAL);
    ASSERT_EQ(stopSerial.size(), 1u);
    EXPECT_EQ(stopSerial[0].input, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    const auto reprogram = boards_->log(quorvi::QUORVI_HC_REPROG_FPGA);
    ASSERT_EQ(reprogram.size(), 1u);
    EXPECT_EQ(reprogram[0].input, (std::vector<std::uint8_t>{1, 0, 0, 0, 3, 0, 0, 0}));
    const auto sent = boards_->log(quorvi::QUORVI_SYS_UPDATE);
    ASSERT_EQ(sent.size(), 2u);
    const std::size_t clock = offsetof(DeviceBlock, boards) + sizeof(BoardDeviceBlock) + offsetof(BoardDeviceBlock, mainClock);
    EXPECT_EQ(sent[0].input[clock], storedClock);   // the stored settings back
    EXPECT_NE(sent[1].input[clock], storedClock);   // the edit, applied by OK
}

// A status poll that fails is reported once; the poll then rests instead of
// raising a box every 50 ms.
TEST_F(PagesTest, AFailingIdentifyPollIsReportedOnce) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    boards_->driver().injectFailure(quorvi::QUORVI_HC_GET_FPGABYTE, -1, ERROR_GEN_FAILURE, -1);
    OpenOn(Tab(0, kFormat));
    RunSheet([&](HWND sheet) {
        boxes.Expect(IDOK);
        HWND identify = OpenDialog(sheet, IDC_IDENTIFY, "Identify Board and Optical Connections");
        ASSERT_NE(identify, nullptr);
        ASSERT_TRUE(boxes.WaitForBoxes(2));
        Sleep(300);   // six more poll periods: none may come
        EXPECT_EQ(Polls(), 1u);
        EXPECT_EQ(GetText(Control(identify, IDC_INPUT_A_STATUS)), "---");
        Close(identify, IDOK);
        CloseWith(sheet, IDCANCEL);
    });
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Error: DSP Get FPGA Byte command failed.");
    EXPECT_EQ(Updates(), 1u);   // the stored settings back all the same
}

// A refused leave keeps the route the user was making.
TEST_F(PagesTest, ARefusedLeaveKeepsTheRouteBeingMade) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    OpenOn(Tab(0, kOutRouting));
    RunSheet([&](HWND sheet) {
        HWND page = GetParent(Control(sheet, IDC_DEFAULT_ROUTES));
        auto click = [&](int x, int y) {
            SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageA(page, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        };
        auto connector = [&](int channel) { click(22 + 15 * channel + 7, 305); };
        auto label = [&](int row) { click(320, 48 + 16 * row); };
        for (int channel : {0, 1}) {
            connector(channel);   // selects its route
            Click(Control(sheet, IDC_DELETE_ROUTE));
        }
        connector(0);   // unrouted now: waits for its row
        boxes.Expect(IDOK);
        EXPECT_FALSE(SelectTab(sheet, Tab(0, kFormat)));
        label(1);       // completes channel 1's route
        connector(1);
        label(0);
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        CloseWith(sheet, IDOK);
    });
    const std::size_t routes = BoardField(0, offsetof(quorvi::BoardDeviceBlock, outRoute));
    EXPECT_EQ(FactoryByte(routes), 1);
    EXPECT_EQ(FactoryByte(routes + 1), 0);
}
