// The real applet, driven by the robot against virtual boards in this process.
#include "AppletFixture.h"

using namespace applettest;

TEST_F(AppletTest, EachBoardBringsItsPages) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);   // a fresh registry: settings restored to the factory file
    Boards(1);
    // A page stored when more boards were present opens the first.
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage", Tab(1, kFormat)));
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(Tabs(sheet), (std::vector<std::string>{"Setups", "Meters/Mixer", "Format", "Clocks",
                                                         "In Routing", "Out Routing", "Appearance"}));
        EXPECT_EQ(ActiveTab(sheet), 0);
        EXPECT_LT(TabImage(sheet, 0), 0);   // the Setups page belongs to no board
        for (int i = 1; i < 7; ++i) EXPECT_GE(TabImage(sheet, i), 0) << i;   // the board's icon
        CloseWith(sheet, IDCANCEL);
    });
    Boards(2);
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(Tabs(sheet).size(), 13u);
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_EQ(Updates(), 0u);
}

TEST_F(AppletTest, WithoutABoardThereIsNoSheet) {
    MessageBoxCatcher boxes;
    EXPECT_EQ(entry_(nullptr, CPL_INIT, 0, 0), 1);
    boxes.Expect(IDOK);   // no driver to open
    EXPECT_EQ(entry_(nullptr, CPL_DBLCLK, 0, 0), 0);
    Boards(0);            // a driver without boards
    boxes.Expect(IDOK);
    EXPECT_EQ(entry_(nullptr, CPL_DBLCLK, 0, 0), 0);
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "No QUORVI or LINTRA boards found.");
    EXPECT_EQ(texts[1], texts[0]);
    EXPECT_EQ(boards_->driver().openHandles(), 0u);
    EXPECT_FALSE(FindTopWindow("", kCaption));
}

// Each board's varispeed calibration: "Ticks" with the board's index, and
// "Samples" shared by all.
TEST_F(AppletTest, EachBoardTakesItsOwnTicks) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(2);
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "Ticks1", 13344));
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "Samples", 64));
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kClocks)));
        EXPECT_EQ(GetText(Control(sheet, IDC_VARISPEED_RATE)), "22.901 kHz");   // 401 at 26688
        ASSERT_TRUE(SelectTab(sheet, Tab(1, kClocks)));
        EXPECT_EQ(GetText(Control(sheet, IDC_VARISPEED_RATE)), "11.451 kHz");
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_EQ(boards_->driver().openHandles(), 0u);
}

TEST_F(AppletTest, OkAppliesOnceHoweverManyPagesWereShown) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(2);
    RunSheet([&](HWND sheet) {
        SelectTab(sheet, Tab(1, kFormat));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 2);
        SelectTab(sheet, Tab(1, kClocks));
        SelectTab(sheet, Tab(1, kInRouting));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(Updates(), 1u);
    EXPECT_EQ(StoredFormat(1), 2);
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, "Software\\Quelmar\\Setups", "Current"), "factory.ssf");
    const auto sent = boards_->log(quorvi::QUORVI_SYS_UPDATE);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].input.size(), sizeof(quorvi::DeviceBlock));
    EXPECT_EQ(sent[0].input[offsetof(quorvi::DeviceBlock, boards) + sizeof(quorvi::BoardDeviceBlock) +
                            offsetof(quorvi::BoardDeviceBlock, format)], 2);

    RunSheet([&](HWND sheet) {   // the last page comes back, and Apply applies again
        EXPECT_EQ(ActiveTab(sheet), Tab(1, kInRouting));
        SelectTab(sheet, Tab(1, kFormat));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 0);
        Click(Control(sheet, kApplyNow));
        EXPECT_EQ(Updates(), 2u);
        CloseWith(sheet, IDCANCEL);
    });
    EXPECT_EQ(Updates(), 2u);
    EXPECT_EQ(StoredFormat(1), 0);
    EXPECT_EQ(ReadRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage"),
              static_cast<DWORD>(Tab(1, kFormat)));
}

TEST_F(AppletTest, AnIncompleteRoutingTableIsNeitherLeftNorApplied) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(1);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kInRouting)));
        Click(Control(sheet, IDC_DELETE_ALL_ROUTES));
        boxes.Expect(IDOK);
        EXPECT_FALSE(SelectTab(sheet, 0));
        boxes.Expect(IDOK);
        PostClick(Control(sheet, IDOK));
        ASSERT_TRUE(boxes.WaitForBoxes(3));
        boxes.Expect(IDOK);
        Click(Control(sheet, kApplyNow));
        ASSERT_TRUE(boxes.WaitForBoxes(4));
        EXPECT_TRUE(IsWindow(sheet));
        EXPECT_EQ(Updates(), 0u);
        Click(Control(sheet, IDC_DEFAULT_ROUTES));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(Updates(), 1u);
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "Routing table is incomplete.  You must route all channels\nbefore continuing.");
    EXPECT_EQ(texts[2], texts[1]);
    EXPECT_EQ(texts[3], texts[1]);
}

TEST_F(AppletTest, RunsUnderWindows98) {
    Boards(1);
    WindowsVersionSetting win98("panel_applet_host.exe", "win98");
    ChildProcess host;
    ASSERT_TRUE(host.Start(ProgramDirectory() + "\\panel_applet_host.exe"));
    // The child's own box about the fresh registry comes first.
    HWND box = WaitForTopWindow("#32770", "QUORVI", kRobotWaitMs, host.Id());
    if (box) PostClick(Control(box, IDOK));
    HWND sheet = WaitForTopWindow("", kCaption, kRobotWaitMs, host.Id());
    ASSERT_NE(sheet, nullptr);
    // No Appearance page: only the NT driver reads it. Windows 9x drivers run
    // at the first latency only.
    EXPECT_EQ(Tabs(sheet).size(), 6u);
    HWND latency = Control(sheet, IDC_LATENCY_LIST);
    EXPECT_EQ(ComboSelection(latency), 0);
    EXPECT_FALSE(IsEnabled(latency));
    EXPECT_GE(boards_->log(quorvi::QUORVI_GET_BOARD_INFO).size(), 2u);
    PostClick(Control(sheet, IDCANCEL));
    EXPECT_TRUE(host.Wait(kRobotWaitMs));
    EXPECT_EQ(host.ExitCode(), 0u);
    // The dynamic-driver form of the open, which only Windows 9x accepts.
    ExpectOneOpen(quorvi::kDeviceName9x, 0, 0, FILE_FLAG_DELETE_ON_CLOSE);
}

// The tray starts the applet with this command line; the shell's loader
// asks the applet to describe itself before it runs it.
TEST_F(AppletTest, RunsFromTheTraysCommandLine) {
    Boards(2);
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    ChildProcess shell;
    ASSERT_TRUE(shell.Start(std::string(system) + "\\rundll32.exe",
                            "shell32.dll,Control_RunDLL " + ProgramDirectory() + "\\quorvipanel.cpl"));
    HWND box = WaitForTopWindow("#32770", "QUORVI", kRobotWaitMs, shell.Id());
    if (box) PostClick(Control(box, IDOK));
    HWND sheet = WaitForTopWindow("", kCaption, kRobotWaitMs, shell.Id());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(Tabs(sheet).size(), 13u);
    PostClick(Control(sheet, IDCANCEL));
    EXPECT_TRUE(shell.Wait(kRobotWaitMs));
    ExpectOneOpen(quorvi::kDeviceNameNT, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
}

// Wine's Control Panel lists the applets named under its Cpls key; a user
// types the first letter of ours and presses Enter, and the panel starts it
// through the shell in a process of its own.
TEST_F(AppletTest, StartsFromTheControlPanelList) {
    Boards(1);
    const std::string cpls = "Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
    RegistrySandbox listed({{HKEY_CURRENT_USER, cpls}});
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, cpls, "quorvipanel", ProgramDirectory() + "\\quorvipanel.cpl"));
    char system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system), 0u);
    ChildProcess control;
    ASSERT_TRUE(control.Start(std::string(system) + "\\control.exe"));
    HWND panel = WaitForTopWindow("Shell_Control_WndClass", "", kRobotWaitMs, control.Id());
    ASSERT_NE(panel, nullptr);
    HWND list = FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(list, nullptr);
    PostMessageA(list, WM_CHAR, 'Q', 1);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    HWND box = WaitForTopWindow("#32770", "QUORVI");
    if (box) PostClick(Control(box, IDOK));
    HWND sheet = WaitForTopWindow("", kCaption);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(Tabs(sheet).size(), 7u);
    DWORD appletProcess = 0;
    GetWindowThreadProcessId(sheet, &appletProcess);
    EXPECT_NE(appletProcess, control.Id());
    HANDLE applet = OpenProcess(SYNCHRONIZE, FALSE, appletProcess);
    ASSERT_NE(applet, nullptr);
    PostClick(Control(sheet, IDCANCEL));
    EXPECT_EQ(WaitForSingleObject(applet, kRobotWaitMs), WAIT_OBJECT_0);
    CloseHandle(applet);
    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(control.Wait(kRobotWaitMs));
}

TEST_F(AppletTest, AdvancedSettingsAreKeptPerFormat) {
    using quorvi::BoardDeviceBlock;
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    const std::int32_t lowRate = 5;   // hidden in the dialog: must pass through
    PatchFactory(BoardField(0, offsetof(BoardDeviceBlock, lowRateMode[3])), &lowRate, 4);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 3);
        HWND advanced = OpenAdvanced(sheet);
        ASSERT_NE(advanced, nullptr);
        EXPECT_EQ(GetText(Control(advanced, IDC_DAC_LEFT_TEXT)), "-10dBm");
        EXPECT_EQ(GetCheck(Control(advanced, IDC_LOW_RATE)), BST_CHECKED);
        ClickArrow(Control(advanced, IDC_DAC_RIGHT_SPIN), false);   // one step quieter
        EXPECT_EQ(GetText(Control(advanced, IDC_DAC_RIGHT_TEXT)), "-11dBm");
        EXPECT_EQ(GetText(Control(advanced, IDC_DAC_LEFT_TEXT)), "-10dBm");
        Click(Control(advanced, IDC_DITHER_ON));
        SetCheck(Control(advanced, IDC_PHASE_IN_A), true);
        PostClick(Control(advanced, IDOK));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(advanced); }));

        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 0);
        advanced = OpenAdvanced(sheet);
        ASSERT_NE(advanced, nullptr);
        EXPECT_EQ(GetText(Control(advanced, IDC_DAC_RIGHT_TEXT)), "-10dBm");
        EXPECT_EQ(GetCheck(Control(advanced, IDC_DITHER_OFF)), BST_CHECKED);
        EXPECT_EQ(GetCheck(Control(advanced, IDC_PHASE_IN_A)), BST_UNCHECKED);
        PostClick(Control(advanced, IDCANCEL));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(advanced); }));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, dacLevels[3]))), 18 | ((18 ^ 19) << 8));
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, ditherOff[3]))), 0);
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, phaseRevInA[3]))), 1);
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, lowRateMode[3]))), lowRate);
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, ditherOff[0]))), 1);
}

TEST_F(AppletTest, TheTwoSpdifFormatRefusesClocksItCannotRun) {
    using quorvi::BoardDeviceBlock;
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(1);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 3);
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kClocks)));
        EXPECT_FALSE(IsEnabled(Control(sheet, IDC_MAIN_INPUT_B)));
        EXPECT_FALSE(IsEnabled(Control(sheet, IDC_VARISPEED_BAR)));
        Click(Control(sheet, IDC_MAIN_WORDCLOCK));
        Click(Control(sheet, IDC_SRC_VARISPEED));
        boxes.Expect(IDOK);
        EXPECT_FALSE(SelectTab(sheet, Tab(0, kInRouting)));
        Click(Control(sheet, IDC_SRC_INPUT_A));
        boxes.Expect(IDOK);
        EXPECT_FALSE(SelectTab(sheet, Tab(0, kInRouting)));
        Click(Control(sheet, IDC_SRC_WORDCLOCK));   // the same as the main clock
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kInRouting)));
        CloseWith(sheet, IDOK);
    });
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1].rfind("Sorry, you cannot select both internal varispeed", 0), 0u);
    EXPECT_EQ(texts[2].rfind("Sorry, in this format, the sample rate converter clock", 0), 0u);
    EXPECT_EQ(FactoryByte(BoardField(0, offsetof(BoardDeviceBlock, mainClock[3]))), 2);
    EXPECT_EQ(FactoryByte(BoardField(0, offsetof(BoardDeviceBlock, srcClock[3]))), 2);
}

TEST_F(AppletTest, SettingsStoredByTheTrayAreShownAndKeptToTheBoardsPresent) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    constexpr std::size_t kMasterOffset =
        offsetof(quorvi::SettingsRecord, device) + offsetof(quorvi::DeviceBlock, masterBoard);
    // Opened on the Format page: the Setups page, never shown, has chosen no
    // other setup, so the tray's settings are taken.
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage", Tab(0, kFormat)));
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(ComboSelection(Control(sheet, IDC_FORMAT_LIST)), 0);
        const std::uint8_t korg = 4;
        PatchFactory(kFormatOffset, &korg, 1);
        const std::int32_t fourthBoard = 3;   // stored on a machine with four boards
        PatchFactory(kMasterOffset, &fourthBoard, 4);
        SendMessageA(sheet, RegisterWindowMessageA("QUORVI CP"), 0, 0);
        EXPECT_EQ(ComboSelection(Control(sheet, IDC_FORMAT_LIST)), 4);
        CloseWith(sheet, IDOK);
    });
    const auto sent = boards_->log(quorvi::QUORVI_SYS_UPDATE);
    ASSERT_EQ(sent.size(), 1u);
    ASSERT_EQ(sent[0].input.size(), sizeof(quorvi::DeviceBlock));
    std::int32_t master = -1;
    std::memcpy(&master, sent[0].input.data() + offsetof(quorvi::DeviceBlock, masterBoard), 4);
    EXPECT_EQ(master, 0);
    EXPECT_EQ(FactoryWord(kMasterOffset), 0);
}

TEST_F(AppletTest, AFormatBeyondTheRecordIsShownButNeverStored) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    const std::uint8_t bad = 200;
    PatchFactory(kFormatOffset, &bad, 1);
    const auto before = ReadSystemFile("factory.ssf");
    ASSERT_TRUE(before);
    ASSERT_TRUE(WriteRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ControlPanelPage", Tab(0, kFormat)));
    RunSheet([&](HWND sheet) {
        EXPECT_EQ(ComboSelection(Control(sheet, IDC_FORMAT_LIST)), -1);
        boxes.Expect(IDOK);
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kClocks)));
        boxes.Expect(IDOK);
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kInRouting)));
        EXPECT_TRUE(boxes.WaitForBoxes(3));
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kOutRouting)));   // nothing routed, nothing to store
        boxes.Expect(IDOK);
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kMeters)));       // no destinations to offer
        EXPECT_TRUE(boxes.WaitForBoxes(4));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(Updates(), 1u);
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "Error: Bad format number.");
    EXPECT_EQ(texts[2], texts[1]);
    EXPECT_EQ(texts[3], texts[1]);
    // Every byte but the file time is as it was read.
    auto after = ReadSystemFile("factory.ssf");
    ASSERT_TRUE(after);
    ASSERT_EQ(after->size(), before->size());
    std::memcpy(after->data() + offsetof(quorvi::SettingsRecord, fileTime),
                before->data() + offsetof(quorvi::SettingsRecord, fileTime), sizeof(FILETIME));
    EXPECT_TRUE(*after == *before);
}

TEST_F(AppletTest, DescribesItselfToTheControlPanel) {
    EXPECT_EQ(entry_(nullptr, CPL_INIT, 0, 0), 1);
    EXPECT_EQ(entry_(nullptr, CPL_GETCOUNT, 0, 0), 1);
    CPLINFO info;
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(entry_(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.idIcon, 131);
    EXPECT_EQ(info.idName, 128);
    EXPECT_EQ(info.idInfo, 129);
    EXPECT_EQ(info.lData, 0);
    EXPECT_EQ(entry_(nullptr, CPL_SELECT, 0, 0), 0);
    NEWCPLINFOA newInfo;
    std::memset(&newInfo, 0xAB, sizeof newInfo);
    EXPECT_EQ(entry_(nullptr, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&newInfo)), 0);
    EXPECT_EQ(newInfo.dwSize, 244u);
    EXPECT_EQ(newInfo.dwFlags, 0u);
    EXPECT_EQ(newInfo.dwHelpContext, 0u);
    EXPECT_EQ(newInfo.lData, 0);
    EXPECT_NE(newInfo.hIcon, nullptr);
    EXPECT_STREQ(newInfo.szName, "QUORVI Properties");
    EXPECT_STREQ(newInfo.szInfo, "Configure QUORVI mode, mix levels, signal routing and meters.");
    EXPECT_STREQ(newInfo.szHelpFile, "");
    EXPECT_EQ(entry_(nullptr, CPL_STOP, 0, 0), 0);
    EXPECT_EQ(entry_(nullptr, CPL_EXIT, 0, 0), 0);
}

TEST_F(AppletTest, ClicksOnTheRoutingPageRouteChannelsOfTheBoardsFormat) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(1);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        SelectComboItem(Control(sheet, IDC_FORMAT_LIST), 2);
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kOutRouting)));
        HWND page = GetParent(Control(sheet, IDC_DEFAULT_ROUTES));
        HWND deleteSelected = Control(sheet, IDC_DELETE_ROUTE);
        auto click = [&](int x, int y) {
            SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageA(page, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
        };
        auto connector = [&](int channel) { click(22 + 15 * channel + 7, 305); };
        auto label = [&](int row) { click(320, 48 + 16 * row); };
        connector(4);
        EXPECT_TRUE(IsEnabled(deleteSelected));
        // A quick second click on the same place comes as a double click.
        SendMessageA(page, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(22 + 15 * 4 + 7, 305));
        EXPECT_FALSE(IsEnabled(deleteSelected));
        for (int channel : {0, 1}) {
            connector(channel);   // selects its route
            EXPECT_TRUE(IsEnabled(deleteSelected));
            Click(deleteSelected);
        }
        connector(0);
        label(1);
        label(0);   // a row may wait before its channel
        connector(1);
        CloseWith(sheet, IDOK);
    });
    const auto sent = boards_->log(quorvi::QUORVI_SYS_UPDATE);
    ASSERT_EQ(sent.size(), 1u);
    const std::size_t routes = offsetof(quorvi::DeviceBlock, boards) + offsetof(quorvi::BoardDeviceBlock, outRoute);
    const std::size_t format2 = routes + 2 * quorvi::kGroupChannels;
    EXPECT_EQ(sent[0].input[format2], 1);
    EXPECT_EQ(sent[0].input[format2 + 1], 0);
    EXPECT_EQ(sent[0].input[format2 + 2], 2);
    EXPECT_EQ(sent[0].input[routes], 0);   // format 0's table is its own
    EXPECT_EQ(sent[0].input[routes + 1], 1);
}

// Apply leaves the page on screen; it goes on taking the settings the tray
// stores, so leaving it never writes its old routes over them.
TEST_F(AppletTest, ARoutingPageStillShownAfterApplyTakesStoredSettings) {
    MessageBoxCatcher boxes;
    Boards(1);
    MakeFactoryFile(boxes);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kOutRouting)));
        Click(Control(sheet, IDC_DEFAULT_ROUTES));
        Click(Control(sheet, kApplyNow));
        ASSERT_EQ(Updates(), 1u);
        const std::uint8_t row = 5;
        PatchFactory(BoardField(0, offsetof(quorvi::BoardDeviceBlock, outRoute)), &row, 1);
        SendMessageA(sheet, RegisterWindowMessageA("QUORVI CP"), 0, 0);
        EXPECT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(FactoryByte(BoardField(0, offsetof(quorvi::BoardDeviceBlock, outRoute))), 5);
}

TEST_F(AppletTest, EveryClocksPageTakesTheFirstBoardsVarispeedRange) {
    using quorvi::BoardDeviceBlock;
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    vboard::DriverConfig config;
    config.boards = 2;
    config.board[0].capability = 0;   // an older first board: the narrow range on every page
    Boards(config);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(1, kClocks)));
        HWND bar = Control(sheet, IDC_VARISPEED_BAR);
        EXPECT_FALSE(IsEnabled(bar));
        Click(Control(sheet, IDC_MAIN_VARISPEED));
        EXPECT_TRUE(IsEnabled(bar));
        int low = -1, high = -1;
        GetScrollRange(bar, SB_CTL, &low, &high);
        EXPECT_EQ(high - low, 453 - 346);
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), 453 - 401);
        EXPECT_EQ(GetText(Control(sheet, IDC_VARISPEED_RATE)), "45.802 kHz");
        SendMessageA(GetParent(bar), WM_HSCROLL, SB_PAGERIGHT, reinterpret_cast<LPARAM>(bar));
        EXPECT_EQ(GetScrollPos(bar, SB_CTL), 453 - 395);
        EXPECT_EQ(GetText(Control(sheet, IDC_VARISPEED_RATE)), "46.497 kHz");
        Click(Control(sheet, IDC_MAIN_441));
        EXPECT_FALSE(IsEnabled(bar));
        Click(Control(sheet, IDC_MAIN_VARISPEED));
        CloseWith(sheet, IDOK);
    });
    EXPECT_EQ(FactoryWord(BoardField(1, offsetof(BoardDeviceBlock, varispeed[0]))), 395);
    EXPECT_EQ(FactoryByte(BoardField(1, offsetof(BoardDeviceBlock, mainClock[0]))), 5);
    EXPECT_EQ(FactoryWord(BoardField(0, offsetof(BoardDeviceBlock, varispeed[0]))), 401);
}

TEST_F(AppletTest, TheFormatArrowsWrapAround) {
    MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    Boards(1);
    RunSheet([&](HWND sheet) {
        ASSERT_TRUE(SelectTab(sheet, Tab(0, kFormat)));
        HWND list = Control(sheet, IDC_FORMAT_LIST);
        HWND arrows = Control(sheet, IDC_FORMAT_ARROWS);
        RECT r;
        GetClientRect(arrows, &r);
        auto press = [&](bool right) {
            const LPARAM at = MAKELPARAM(right ? r.right * 3 / 4 : r.right / 4, r.bottom / 2);
            SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageA(arrows, WM_LBUTTONUP, 0, at);
        };
        SelectComboItem(list, 0);   // the format shown: nothing to apply
        EXPECT_FALSE(IsEnabled(Control(sheet, kApplyNow)));
        SelectComboItem(list, 6);
        EXPECT_TRUE(IsEnabled(Control(sheet, kApplyNow)));
        press(true);
        EXPECT_EQ(ComboSelection(list), 0);
        press(false);
        EXPECT_EQ(ComboSelection(list), 6);
        press(false);
        EXPECT_EQ(ComboSelection(list), 5);
        boxes.Expect(IDOK);
        Click(Control(sheet, IDC_EXPLAIN));
        CloseWith(sheet, IDCANCEL);
    });
    const std::vector<std::string> texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[1], "Use this format for the Quelmar 24/96 converter family.");
}
