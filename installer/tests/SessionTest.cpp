// quorvi-setup.exe and its uninstaller, run silently as an administrator's
// script would, in a Wine prefix of their own that nothing else has touched:
// what they put where, the programs running from there, a reinstall over a
// running suite, a failed one, and what the uninstaller leaves behind.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Latency.h"
#include "Trays.h"
#include "quorvi/DriverClsids.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/QuorvisimProcess.h"

using namespace testkit;

namespace {

const std::string kAsioClassKey = quorvi::kAsioDriverKey.data();
const std::string kAsioEntryKey = std::string("SOFTWARE\\ASIO\\") + quorvi::kAsioDriverName;
const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QUORVI";
constexpr DWORD kSetupMs = 60000;

// Each installed file and the build folder it comes from.
const std::vector<std::pair<std::string, std::string>> kBuilt = {
    {"quorvicore.dll", "core"}, {"quorvipanel.cpl", "panel"}, {"quorvitray.exe", "tray"},
    {"quorviasio.dll", "asio"}, {"asiopanel.exe", "asiopanel"}, {"quorvix.dll", "audiox"}};

std::string WindowsSystemDir() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\system";
}

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    return std::string(dir) + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names of a key's subkeys, or of its values.
std::vector<std::string> Names(HKEY root, const std::string& path, bool values) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        const LONG found = values ? RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr)
                                  : RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (found != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(key);
    return names;
}

std::vector<std::string> Subkeys(HKEY root, const std::string& path) { return Names(root, path, false); }
std::vector<std::string> ValueNames(HKEY root, const std::string& path) { return Names(root, path, true); }

bool MentionsUs(const std::optional<std::string>& text) {
    if (!text) return false;
    std::string lower = *text;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower.find("quorvi") != std::string::npos;
}

// Every class, type library, interface of those libraries, AudioX entry and
// ProgID that leads to a file of ours; the libraries found are added to
// `libraries` so their interfaces are found after the libraries are gone.
std::vector<std::string> ComRegistrations(std::set<std::string>& libraries) {
    std::vector<std::string> found;
    for (const std::string& clsid : Subkeys(HKEY_CLASSES_ROOT, "CLSID")) {
        if (MentionsUs(ReadRegString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", "")))
            found.push_back("CLSID\\" + clsid);
    }
    for (const std::string& library : Subkeys(HKEY_CLASSES_ROOT, "TypeLib")) {
        const std::string key = "TypeLib\\" + library;
        for (const std::string& version : Subkeys(HKEY_CLASSES_ROOT, key)) {
            for (const std::string& locale : Subkeys(HKEY_CLASSES_ROOT, key + "\\" + version)) {
                if (MentionsUs(ReadRegString(HKEY_CLASSES_ROOT, key + "\\" + version + "\\" + locale + "\\win32", ""))) {
                    found.push_back(key);
                    libraries.insert(library);
                }
            }
        }
    }
    for (const std::string& iid : Subkeys(HKEY_CLASSES_ROOT, "Interface")) {
        auto library = ReadRegString(HKEY_CLASSES_ROOT, "Interface\\" + iid + "\\TypeLib", "");
        if (library && libraries.count(*library)) found.push_back("Interface\\" + iid);
    }
    for (const std::string& entry : Subkeys(HKEY_CLASSES_ROOT, "AudioX")) found.push_back("AudioX\\" + entry);
    for (const std::string& progId : Subkeys(HKEY_CLASSES_ROOT, "")) {
        if (progId.rfind("AudxMixer.", 0) == 0 || progId.rfind("Quorvi.Mixer", 0) == 0) found.push_back(progId);
    }
    return found;
}

class SetupSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.started() && sim_.waitServing(10000));
        DeleteFileA(log_.c_str());
    }
    void TearDown() override {
        vboard::QuorvisimProcess stop(vboard::FindQuorvisim(), "--stop");
        stop.waitExit(5000);
        sim_.waitExit(5000);
    }

    DWORD RunSetup(const std::string& args) {
        RunResult run = RunProgram(ProgramDirectory() + "\\quorvi-setup.exe", args + " " + LogOption(), kSetupMs);
        EXPECT_TRUE(run.finished);
        return run.exitCode;
    }
    // The NSIS uninstaller copies itself away and returns at once, so that
    // it can delete itself; run as that copy (_?=), it is waited for.
    DWORD RunUninstaller(const std::string& args) {
        const std::string copy = TempPath("quorvi-uninstall-copy.exe");
        EXPECT_TRUE(CopyFileA(SystemFilePath("quorvi-uninstall.exe").c_str(), copy.c_str(), FALSE));
        RunResult run = RunProgram(copy, args + " " + LogOption() + " _?=" + SystemDirectory(), kSetupMs);
        DeleteFileA(copy.c_str());
        EXPECT_TRUE(run.finished);
        return run.exitCode;
    }
    std::string Log() const { return ReadAll(log_); }
    // Quoted whole, as a shell quotes a path with a space.
    std::string LogOption() const { return "\"/LOG=" + log_ + "\""; }

    // Starts the tray the way the log-on does, from its Run value.
    void StartTrayAsAtLogon() {
        auto command = ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, "QUORVI Tray");
        ASSERT_TRUE(command);
        ASSERT_TRUE(tray_.Start(*command));
        EXPECT_TRUE(WaitUntil([] { return setup::CountRunningTrays() == 1; }, 20000));
    }

    void ExpectInstalled(const setup::LatencyCoefficients& latency) {
        for (const auto& [name, folder] : kBuilt) {
            const std::string built = ReadAll(ProgramDirectory() + "\\..\\" + folder + "\\" + name);
            ASSERT_FALSE(built.empty()) << name;
            EXPECT_EQ(ReadAll(SystemFilePath(name)), built) << name;
        }
        EXPECT_EQ(ReadAll(WindowsSystemDir() + "\\asiopanel.exe"), ReadAll(SystemFilePath("asiopanel.exe")));
        EXPECT_TRUE(Exists(SystemFilePath("quorvi-uninstall.exe")));

        const std::string server = kAsioClassKey + "\\InprocServer32";
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, server, ""), SystemFilePath("quorviasio.dll"));
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, server, "ThreadingModel"), "Both");
        EXPECT_EQ(ReadRegString(HKEY_CLASSES_ROOT, kAsioClassKey, ""), quorvi::kAsioDriverName);
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kAsioEntryKey, "CLSID"), kAsioClassKey.substr(6));
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kAsioEntryKey, "Description"), quorvi::kAsioDriverName);
        EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "i_CoeffBLatency"), latency.inBlocks);
        EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "i_ConstSLatency"), latency.inSamples);
        EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "o_CoeffBLatency"), latency.outBlocks);
        EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "o_ConstSLatency"), latency.outSamples);

        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "QUORVI control software");
        EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
                  SystemFilePath("quorvi-uninstall.exe"));
        std::set<std::string> libraries;
        const std::vector<std::string> com = ComRegistrations(libraries);
        EXPECT_EQ(libraries.size(), 1u);
        EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, "AudioX").size(), 1u);
        EXPECT_GE(com.size(), 6u);
        libraries_.insert(libraries.begin(), libraries.end());
    }

    // Nothing of ours but, when kept, the user's setups and settings.
    void ExpectOnlyUserDataLeft(bool userDataKept) {
        for (const std::string& dir : {SystemDirectory(), WindowsSystemDir()}) {
            WIN32_FIND_DATAA found{};
            HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
            ASSERT_NE(search, INVALID_HANDLE_VALUE);
            do {
                std::string name = found.cFileName;
                const bool ssf = name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".ssf") == 0;
                if (MentionsUs(name) || name.rfind("asiopanel", 0) == 0 || (ssf && !userDataKept))
                    ADD_FAILURE() << "left: " << dir << "\\" << name;
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        EXPECT_TRUE(ComRegistrations(libraries_).empty());
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ASIO"));
        EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, "QUORVI Tray"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_FALSE(ReadRegValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                  "PendingFileRenameOperations"));
        if (userDataKept) {
            EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT, kAsioClassKey).empty());
            EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, kAsioClassKey),
                      (std::vector<std::string>{"BlockLatency", "RsrvChannels"}));
        } else {
            EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, kAsioClassKey));
            EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Quelmar"));
            EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Quelmar"));
        }
    }

    vboard::QuorvisimProcess sim_{vboard::FindQuorvisim(), "--boards 2"};
    ChildProcess tray_;
    std::set<std::string> libraries_;
    const std::string log_ = TempPath("quorvi setup.log");
};

// Wine's Control Panel: the number of applets it lists, and, with `open`,
// ours started from the list as a user does (first letter, Enter) and closed.
size_t ControlPanel(bool open) {
    ChildProcess control;
    if (!control.Start(SystemFilePath("control.exe"))) return 0;
    HWND panel = WaitForTopWindow("Shell_Control_WndClass", "", kRobotWaitMs, control.Id());
    HWND list = panel ? FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    if (!list) return 0;
    const auto count = static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (open) {
        PostMessageA(list, WM_CHAR, 'Q', 1);
        PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
        HWND sheet = WaitForTopWindow("", "QUORVI Properties");
        EXPECT_NE(sheet, nullptr);
        if (sheet) {
            DWORD applet = 0;
            GetWindowThreadProcessId(sheet, &applet);
            PostClick(Control(sheet, IDCANCEL));
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, applet);
            EXPECT_EQ(WaitForSingleObject(process, kRobotWaitMs), WAIT_OBJECT_0);
            CloseHandle(process);
        }
    }
    PostMessageA(panel, WM_CLOSE, 0, 0);
    EXPECT_TRUE(control.Wait(kRobotWaitMs));
    return count;
}

// A control anywhere in a window, by its text.
struct TextSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK MatchText(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (GetText(child) != search->text) return TRUE;
    search->found = child;
    return FALSE;
}

HWND ChildWithText(HWND root, const std::string& text) {
    TextSearch search{text};
    EnumChildWindows(root, MatchText, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK MatchCaptionStart(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TextSearch*>(data);
    if (!IsWindowVisible(window) || GetText(window).rfind(search->text, 0) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// The setup's window: its title carries the page's subtitle after the name.
HWND SetupWindow(const std::string& caption) {
    TextSearch search{caption};
    WaitUntil([&] {
        EnumWindows(MatchCaptionStart, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    }, 20000);
    return search.found;
}

// Works a setup or uninstaller window from its first page to its finish:
// `choose` acts on the page that starts the work, then the details page is
// left once done and the finish page closed. The number of detail lines.
size_t WorkPages(HWND window, const std::function<void()>& choose) {
    const int kNext = 1;
    HWND next = Control(window, kNext);
    choose();
    PostClick(next);
    // The details page is done when its Next button can be pressed again.
    EXPECT_TRUE(WaitUntil([&] { return GetText(next) == "&Next >" && IsEnabled(next); }, 30000));
    HWND details = Control(window, 1016);
    const auto lines = details ? static_cast<size_t>(SendMessageA(details, LVM_GETITEMCOUNT, 0, 0)) : 0;
    PostClick(next);
    EXPECT_TRUE(WaitUntil([&] { return GetText(next) == "&Finish"; }));
    PostClick(next);
    return lines;
}

TEST_F(SetupSession, InstallsWhatTheProgramsNeedAndUninstallsAllButTheUsersData) {
    const size_t appletsBefore = ControlPanel(false);
    ASSERT_EQ(RunSetup("/S"), 0u) << Log();
    ExpectInstalled({1, 0, 1, 0});  // the virtual boards' own latency
    EXPECT_NE(Log().find("Latency of the virtual boards"), std::string::npos) << Log();

    StartTrayAsAtLogon();
    EXPECT_EQ(ControlPanel(true), appletsBefore + 1);
    RunResult list = RunProgram(SystemFilePath("cmd.exe"), "/c uninstaller.exe --list > " + TempPath("programs.txt"));
    EXPECT_TRUE(list.finished);
    EXPECT_NE(ReadAll(TempPath("programs.txt")).find("QUORVI control software"), std::string::npos);

    // The user's own: a setup of theirs, and a latency chosen in asiopanel.
    std::ofstream(SystemFilePath("mine.ssf")) << "setup";
    ASSERT_TRUE(WriteRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "BlockLatency", 8));
    const BYTE channels[32] = {0xFF};
    ASSERT_TRUE(WriteRegValue(HKEY_CLASSES_ROOT, kAsioClassKey, "RsrvChannels", REG_BINARY, channels, sizeof channels));

    // The uninstaller closes the tray it finds running. A value given to
    // the removal option is no request to remove.
    EXPECT_EQ(RunUninstaller("/S /REMOVEDATA=0"), 0u) << Log();
    EXPECT_TRUE(tray_.Wait(5000));
    EXPECT_NE(Log().find("Closed the QUORVI tray application"), std::string::npos) << Log();
    ExpectOnlyUserDataLeft(true);
    EXPECT_EQ(ReadAll(SystemFilePath("mine.ssf")), "setup");
    EXPECT_TRUE(Exists(SystemFilePath("factory.ssf")));
    EXPECT_TRUE(ReadRegDword(HKEY_LOCAL_MACHINE, "Software\\Quelmar", "ShutdownMessage"));
    EXPECT_EQ(ReadRegDword(HKEY_CLASSES_ROOT, kAsioClassKey, "BlockLatency"), 8u);
}

TEST_F(SetupSession, ReinstallsOverARunningSuiteAndUndoesAFailedInstall) {
    ASSERT_EQ(RunSetup("/S"), 0u) << Log();
    StartTrayAsAtLogon();

    // Over the running tray, without the start at log-on this time.
    ASSERT_EQ(RunSetup("/S /NOTRAY"), 0u) << Log();
    EXPECT_TRUE(tray_.Wait(5000));
    EXPECT_TRUE(WaitUntil([] { return setup::CountRunningTrays() == 1; }, 20000));
    EXPECT_NE(Log().find("Started the QUORVI tray application again"), std::string::npos) << Log();
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, "QUORVI Tray"));
    ExpectInstalled({1, 0, 1, 0});

    // The last step, asiopanel where the ASIO driver starts it, cannot be
    // done: a file stands where its folder should be.
    const std::string folder = WindowsSystemDir(), moved = folder + ".test";
    ASSERT_TRUE(MoveFileA(folder.c_str(), moved.c_str()));
    std::ofstream(folder) << "in the way";
    std::ofstream(SystemFilePath("quorvipanel.cpl"), std::ios::app) << "as before";
    const std::string panelBefore = ReadAll(SystemFilePath("quorvipanel.cpl"));

    EXPECT_EQ(RunSetup("/S"), 2u);
    const std::string log = Log();
    EXPECT_NE(log.find("Could not copy"), std::string::npos) << log;
    EXPECT_NE(log.find("Nothing was changed"), std::string::npos) << log;
    EXPECT_EQ(ReadAll(SystemFilePath("quorvipanel.cpl")), panelBefore);
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, "QUORVI Tray"));
    EXPECT_TRUE(WaitUntil([] { return setup::CountRunningTrays() == 1; }, 20000));
    DeleteFileA(folder.c_str());
    ASSERT_TRUE(MoveFileA(moved.c_str(), folder.c_str()));
    for (const char* leftover : {"quorvipanel.cpl.new", "quorvipanel.cpl.old", "quorvicore.dll.old"})
        EXPECT_FALSE(Exists(SystemFilePath(leftover))) << leftover;

    EXPECT_EQ(RunUninstaller("/S /REMOVEDATA"), 0u) << Log();
    EXPECT_EQ(setup::CountRunningTrays(), 0);
    ExpectOnlyUserDataLeft(false);
}

TEST(SetupScript, AnEngineThatCannotRunFailsTheSetup) {
    RunResult run = RunProgram(ProgramDirectory() + "\\dead-setup.exe", "/S", kSetupMs);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2u);
}

// An administrator's script relies on the log it asks for.
TEST(SetupScript, ALogThatCannotBeWrittenStopsTheSetupBeforeAnyChange) {
    RunResult run = RunProgram(ProgramDirectory() + "\\quorvi-setup.exe", "/S \"/LOG=C:\\no such folder\\setup.log\"",
                               kSetupMs);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_FALSE(Exists(SystemFilePath("quorvicore.dll")));
}

// The choices on the pages: the tray at log-on left out by the setup, the
// user's data removed by the uninstaller.
TEST_F(SetupSession, PagesChooseTheTrayAtLogonAndTheRemovalOfTheUsersData) {
    ChildProcess setupProgram;
    ASSERT_TRUE(setupProgram.Start(ProgramDirectory() + "\\quorvi-setup.exe", "/LOG=" + log_));
    HWND window = SetupWindow("QUORVI Setup");
    ASSERT_NE(window, nullptr);
    const size_t lines = WorkPages(window, [&] {
        HWND components = Control(window, 1032);
        ASSERT_TRUE(WaitUntil([&] { return SendMessageA(components, TVM_GETCOUNT, 0, 0) == 2; }));
        // The second entry is the tray's; space ticks and unticks it.
        const auto tray = static_cast<WPARAM>(SendMessageA(
            components, TVM_GETNEXTITEM, TVGN_NEXT, SendMessageA(components, TVM_GETNEXTITEM, TVGN_ROOT, 0)));
        auto ticks = [&] { return SendMessageA(components, TVM_GETITEMSTATE, tray, TVIS_STATEIMAGEMASK); };
        const LRESULT ticked = ticks();
        PostMessageA(components, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(components, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_TRUE(WaitUntil([&] { return ticks() != ticked; }));
    });
    ASSERT_TRUE(setupProgram.Wait(kRobotWaitMs));
    EXPECT_EQ(setupProgram.ExitCode(), 0u) << Log();
    EXPECT_GE(lines, 13u);
    EXPECT_FALSE(ReadRegString(HKEY_LOCAL_MACHINE, kRunKey, "QUORVI Tray")) << Log();
    ExpectInstalled({1, 0, 1, 0});
    std::ofstream(SystemFilePath("mine.ssf")) << "setup";

    const std::string copy = TempPath("quorvi-uninstall-copy.exe");
    ASSERT_TRUE(CopyFileA(SystemFilePath("quorvi-uninstall.exe").c_str(), copy.c_str(), FALSE));
    ChildProcess uninstaller;
    ASSERT_TRUE(uninstaller.Start(copy, "_?=" + SystemDirectory()));
    window = SetupWindow("QUORVI Uninstall");
    ASSERT_NE(window, nullptr);
    PostClick(Control(window, 1));  // past the confirmation
    WorkPages(window, [&] {
        HWND removeData = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (removeData = ChildWithText(window, "&Also remove my setup files and settings")); }));
        if (removeData) SetCheck(removeData, true);
    });
    ASSERT_TRUE(uninstaller.Wait(kRobotWaitMs));
    EXPECT_EQ(uninstaller.ExitCode(), 0u);
    DeleteFileA(copy.c_str());
    ExpectOnlyUserDataLeft(false);
}

}  // namespace
