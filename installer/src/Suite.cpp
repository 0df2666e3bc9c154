#include "Suite.h"

#include <windows.h>

#include <string_view>

#include "ComServer.h"
#include "Files.h"
#include "Latency.h"
#include "RebootQueue.h"
#include "Registry.h"
#include "Texts.h"
#include "Trays.h"
#include "quorvi/DriverClsids.h"
#include "resource.h"

namespace setup {

namespace {

// A tray that is shutting down has its settings to store; this is plenty.
constexpr DWORD kTrayCloseMs = 10000;

const std::string kAsioClassKey = quorvi::kAsioDriverKey.data();
// "{...}": the key's name after "CLSID\".
const std::string kAsioClsid = kAsioClassKey.substr(kAsioClassKey.find('{'));
const std::string kAsioEntryKey = std::string(kAsioListKey) + "\\" + quorvi::kAsioDriverName;
const std::string kAsioServerKey = kAsioClassKey + "\\InprocServer32";
constexpr const char* kCoefficientValues[] = {"i_CoeffBLatency", "i_ConstSLatency", "o_CoeffBLatency",
                                              "o_ConstSLatency"};
// What the user chose in asiopanel.
constexpr const char* kAsioUserValues[] = {"BlockLatency", "RsrvChannels"};

constexpr const char* kSettingsKey = "Software\\Quelmar";
// The values the suite keeps under the maker's keys. Others there (the
// driver's boot results, the punch-in switch) belong to other software.
constexpr const char* kUserSettings[] = {"UserMenu"};
constexpr const char* kUserSettingsKeys[] = {"Setups"};
constexpr const char* kMachineSettings[] = {
    "ControlPanelPage", "ShutdownMessage", "Ticks0", "Ticks1", "Ticks2", "Ticks3", "Samples", "SampleRate",
    "ClockSource", "CustomOutputBlock", "CustomOutputSample", "CustomInputBlock", "CustomInputSample",
    "O2ROutputBlock", "O2ROutputSample", "O2RInputBlock", "O2RInputSample", "AdatDigitalOutputBlock",
    "AdatDigitalOutputSample", "AdatDigitalInputBlock", "AdatDigitalInputSample", "AdatAnalogOutputBlock",
    "AdatAnalogOutputSample", "AdatAnalogInputBlock", "AdatAnalogInputSample"};

std::string In(const std::string& folder, const char* file) { return folder + "\\" + file; }

// Quoted when it has a space, as the shell runs it.
std::string CommandFor(const std::string& program) {
    return program.find(' ') == std::string::npos ? program : "\"" + program + "\"";
}

bool SameFolder(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Closes the trays for the files to be replaced; they come back when the
// run is over, whichever way it ends.
void CloseRunningTrays(const std::string& tray, Journal& journal, const Report& report) {
    if (CountRunningTrays() == 0) return;
    if (!CloseTrays(kTrayCloseMs)) throw StepFailure(Text(IDS_TRAY_STILL_RUNNING));
    report(Text(IDS_TRAY_CLOSED));
    journal.Done([tray] {
        StartTray(tray);
        return std::string();
    });
    journal.OnCommit([tray, report] {
        if (StartTray(tray)) report(Text(IDS_TRAY_STARTED));
        return std::string();
    });
}

void PlaceSystemFiles(const Places& places, const std::string& packageDir, Journal& journal,
                      RebootQueue& reboot, const Report& report) {
    for (const char* name : kSystemFiles) {
        const std::string target = In(places.systemDir, name);
        // Put back, the old plug-in registers itself again.
        if (std::string_view(name) == kMixerFile && FileExists(target)) {
            journal.Done([target] { return RunServerEntry(target, kRegisterEntry); });
        }
        PlaceFile(In(packageDir, name), target, journal, reboot, report);
    }
}

void RegisterMixer(const Places& places, Journal& journal, const Report& report) {
    const std::string mixer = In(places.systemDir, kMixerFile);
    const std::string failed = RunServerEntry(mixer, kRegisterEntry);
    if (!failed.empty()) {
        // A server can fail after writing some of its entries; those must
        // not outlive the file they point at.
        RunServerEntry(mixer, kUnregisterEntry);
        throw StepFailure(failed);
    }
    journal.Done([mixer] { return RunServerEntry(mixer, kUnregisterEntry); });
    report(Text(IDS_REGISTERED, {mixer}));
}

void RegisterAsioDriver(const Places& places, RegistryEdit& registry, const Report& report) {
    registry.SetString(HKEY_CLASSES_ROOT, kAsioClassKey, "", quorvi::kAsioDriverName);
    registry.SetString(HKEY_CLASSES_ROOT, kAsioServerKey, "", In(places.systemDir, kAsioFile));
    registry.SetString(HKEY_CLASSES_ROOT, kAsioServerKey, "ThreadingModel", "Both");
    registry.SetString(HKEY_LOCAL_MACHINE, kAsioEntryKey, "CLSID", kAsioClsid);
    registry.SetString(HKEY_LOCAL_MACHINE, kAsioEntryKey, "Description", quorvi::kAsioDriverName);
    report(Text(IDS_WROTE, {KeyName(HKEY_CLASSES_ROOT, kAsioClassKey)}));
    report(Text(IDS_WROTE, {KeyName(HKEY_LOCAL_MACHINE, kAsioEntryKey)}));

    const BoardsFound boards = FindBoards(places.windowsNT);
    const LatencyCoefficients c = CoefficientsFor(boards);
    const DWORD values[] = {c.inBlocks, c.inSamples, c.outBlocks, c.outSamples};
    for (int i = 0; i < 4; ++i) registry.SetDword(HKEY_CLASSES_ROOT, kAsioClassKey, kCoefficientValues[i], values[i]);
    const UINT which = boards == BoardsFound::Virtual    ? IDS_BOARDS_VIRTUAL
                       : boards == BoardsFound::Hardware ? IDS_BOARDS_HARDWARE
                                                         : IDS_BOARDS_NONE;
    report(Text(IDS_COEFFICIENTS, {Text(which), std::to_string(c.inBlocks), std::to_string(c.inSamples),
                                   std::to_string(c.outBlocks), std::to_string(c.outSamples)}));
}

void RegisterStartAndRemoval(const Places& places, bool trayAtLogon, const std::string& version,
                             RegistryEdit& registry, const Report& report) {
    if (trayAtLogon) {
        registry.SetString(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, CommandFor(In(places.systemDir, kTrayFile)));
        report(Text(IDS_WROTE, {KeyName(HKEY_LOCAL_MACHINE, kRunKey) + "\\" + kRunValue}));
    } else {
        registry.DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
    }
    const std::string uninstaller = CommandFor(In(places.systemDir, kUninstallerFile));
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "QUORVI control software");
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion", version);
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", "Quelmar");
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon", In(places.systemDir, kTrayFile) + ",0");
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", uninstaller);
    registry.SetString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString", uninstaller + " /S");
    registry.SetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify", 1);
    registry.SetDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair", 1);
    report(Text(IDS_WROTE, {KeyName(HKEY_LOCAL_MACHINE, kUninstallKey)}));
}

// Collects what an uninstall step could not remove.
class Leftovers {
public:
    explicit Leftovers(Outcome& outcome) : outcome_(outcome) {}
    void Note(std::string problem) {
        if (!problem.empty()) outcome_.left.push_back(std::move(problem));
    }
    void Key(HKEY root, const std::string& path, const Report& report) {
        if (!KeyExists(root, path)) return;
        if (DeleteKeyTree(root, path)) report(Text(IDS_REMOVED, {KeyName(root, path)}));
        else Note(Text(IDS_KEY_NOT_REMOVED, {KeyName(root, path)}));
    }
    // True when the value was there and is gone.
    bool Value(HKEY root, const std::string& path, const char* name) {
        win::RegKey key = win::RegKey::Open(root, path.c_str(), KEY_WRITE);
        if (!key) return false;
        if (key.deleteValue(*name ? name : nullptr)) return true;
        if (key.lastError() != ERROR_FILE_NOT_FOUND)
            Note(Text(IDS_KEY_NOT_REMOVED, {KeyName(root, path) + "\\" + name}));
        return false;
    }
    // Deletes a key that nothing is left in.
    void KeyIfEmpty(HKEY root, const std::string& path, const Report& report) {
        if (KeyIsEmpty(root, path)) Key(root, path, report);
    }

private:
    Outcome& outcome_;
};

void UnregisterAsioDriver(bool removeUserData, Leftovers& leftovers, const Report& report) {
    leftovers.Key(HKEY_LOCAL_MACHINE, kAsioEntryKey, report);
    leftovers.KeyIfEmpty(HKEY_LOCAL_MACHINE, kAsioListKey, report);
    if (removeUserData || !KeyExists(HKEY_CLASSES_ROOT, kAsioClassKey)) {
        leftovers.Key(HKEY_CLASSES_ROOT, kAsioClassKey, report);
        return;
    }
    leftovers.Key(HKEY_CLASSES_ROOT, kAsioServerKey, report);
    leftovers.Value(HKEY_CLASSES_ROOT, kAsioClassKey, "");
    for (const char* value : kCoefficientValues) leftovers.Value(HKEY_CLASSES_ROOT, kAsioClassKey, value);
    if (KeyIsEmpty(HKEY_CLASSES_ROOT, kAsioClassKey)) leftovers.Key(HKEY_CLASSES_ROOT, kAsioClassKey, report);
    else report(Text(IDS_KEPT_ASIO, {KeyName(HKEY_CLASSES_ROOT, kAsioClassKey)}));
}

void RemoveUserData(const Places& places, RebootQueue& reboot, Leftovers& leftovers, const Report& report) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(In(places.systemDir, "*.ssf").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            // "*.ssf" also matches longer extensions through their short
            // names ("notes.ssfold" is NOTES~1.SSF): those are not setups.
            const std::string_view name = found.cFileName;
            const bool setup = name.size() >= 4 && lstrcmpiA(found.cFileName + name.size() - 4, ".ssf") == 0;
            if (setup && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                leftovers.Note(RemoveFile(In(places.systemDir, found.cFileName), reboot, report));
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    for (const char* value : kUserSettings) leftovers.Value(HKEY_CURRENT_USER, kSettingsKey, value);
    for (const char* key : kUserSettingsKeys) leftovers.Key(HKEY_CURRENT_USER, In(kSettingsKey, key), report);
    for (const char* value : kMachineSettings) leftovers.Value(HKEY_LOCAL_MACHINE, kSettingsKey, value);
    report(Text(IDS_CLEARED, {KeyName(HKEY_CURRENT_USER, kSettingsKey)}));
    report(Text(IDS_CLEARED, {KeyName(HKEY_LOCAL_MACHINE, kSettingsKey)}));
    leftovers.KeyIfEmpty(HKEY_CURRENT_USER, kSettingsKey, report);
    leftovers.KeyIfEmpty(HKEY_LOCAL_MACHINE, kSettingsKey, report);
}

}  // namespace

Places ThisMachine() {
    Places places;
    char folder[MAX_PATH] = {};
    UINT n = GetSystemDirectoryA(folder, sizeof folder);
    places.systemDir.assign(folder, n < sizeof folder ? n : 0);
    n = GetWindowsDirectoryA(folder, sizeof folder);
    places.windowsSystemDir = std::string(folder, n < sizeof folder ? n : 0) + "\\system";
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    places.windowsNT = !GetVersionExA(&version) || version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    return places;
}

Outcome Install(const Places& places, const std::string& packageDir, bool trayAtLogon,
                const std::string& version, const Report& report) {
    Outcome outcome;
    Journal journal;
    RebootQueue reboot(places.windowsNT);
    try {
        for (const char* name : kSystemFiles) {
            if (!FileExists(In(packageDir, name))) throw StepFailure(Text(IDS_PACKAGE_MISSING, {name}));
        }
        CloseRunningTrays(In(places.systemDir, kTrayFile), journal, report);
        PlaceSystemFiles(places, packageDir, journal, reboot, report);
        RegisterMixer(places, journal, report);
        RegistryEdit registry(journal);
        RegisterAsioDriver(places, registry, report);
        RegisterStartAndRemoval(places, trayAtLogon, version, registry, report);
        // Last, after the driver it serves is registered.
        if (!SameFolder(places.windowsSystemDir, places.systemDir)) {
            EnsureFolder(places.windowsSystemDir, journal);
            PlaceFile(In(packageDir, kAsioPanelFile), In(places.windowsSystemDir, kAsioPanelFile), journal,
                      reboot, report);
        }
    } catch (const std::exception& failure) {
        outcome.failure = failure.what();
        outcome.left = journal.Rollback();
        return outcome;
    }
    outcome.left = journal.Commit();
    outcome.restartNeeded = reboot.needed();
    return outcome;
}

Outcome Uninstall(const Places& places, bool removeUserData, const Report& report) {
    Outcome outcome;
    if (CountRunningTrays() > 0) {
        if (!CloseTrays(kTrayCloseMs)) {
            outcome.failure = Text(IDS_TRAY_STILL_RUNNING);
            return outcome;
        }
        report(Text(IDS_TRAY_CLOSED));
    }
    RebootQueue reboot(places.windowsNT);
    Leftovers leftovers(outcome);
    const std::string mixer = In(places.systemDir, kMixerFile);
    if (FileExists(mixer)) {
        const std::string failed = RunServerEntry(mixer, kUnregisterEntry);
        leftovers.Note(failed);
        if (failed.empty()) report(Text(IDS_UNREGISTERED, {mixer}));
    }
    UnregisterAsioDriver(removeUserData, leftovers, report);
    if (leftovers.Value(HKEY_LOCAL_MACHINE, kRunKey, kRunValue))
        report(Text(IDS_REMOVED, {KeyName(HKEY_LOCAL_MACHINE, kRunKey) + "\\" + kRunValue}));
    leftovers.Key(HKEY_LOCAL_MACHINE, kUninstallKey, report);
    for (const char* name : kSystemFiles) leftovers.Note(RemoveFile(In(places.systemDir, name), reboot, report));
    if (!SameFolder(places.windowsSystemDir, places.systemDir))
        leftovers.Note(RemoveFile(In(places.windowsSystemDir, kAsioPanelFile), reboot, report));
    if (removeUserData) RemoveUserData(places, reboot, leftovers, report);
    else report(Text(IDS_KEPT_DATA, {In(places.systemDir, "*.ssf"), KeyName(HKEY_CURRENT_USER, kSettingsKey),
                                     KeyName(HKEY_LOCAL_MACHINE, kSettingsKey)}));
    outcome.restartNeeded = reboot.needed();
    return outcome;
}

}  // namespace setup
