#pragma once
// What the suite installs, where, and the two runs that put it in and take
// it out again.
#include <array>
#include <string>
#include <vector>

#include "Journal.h"

namespace setup {

inline constexpr const char* kCoreFile = "quorvicore.dll";
inline constexpr const char* kTrayFile = "quorvitray.exe";
inline constexpr const char* kAsioFile = "quorviasio.dll";
inline constexpr const char* kAsioPanelFile = "asiopanel.exe";
inline constexpr const char* kMixerFile = "quorvix.dll";
inline constexpr const char* kUninstallerFile = "quorvi-uninstall.exe";
// In the order they go in: the core before everything that loads it.
inline constexpr std::array<const char*, 7> kSystemFiles = {
    kCoreFile, "quorvipanel.cpl", kTrayFile, kAsioFile, kAsioPanelFile, kMixerFile, kUninstallerFile};

inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunValue = "QUORVI Tray";
inline constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QUORVI";
inline constexpr const char* kAsioListKey = "SOFTWARE\\ASIO";

struct Places {
    std::string systemDir;
    // %windir%\system, where the ASIO driver starts asiopanel.exe; the
    // system directory itself on Windows 9x.
    std::string windowsSystemDir;
    bool windowsNT = true;
};
Places ThisMachine();

struct Outcome {
    std::string failure;            // empty when the run did what it was asked
    std::vector<std::string> left;  // what could not be undone, removed or finished
    bool restartNeeded = false;
};

// Installs the files found in `packageDir` and registers them; a failed
// step undoes everything done before it.
Outcome Install(const Places& places, const std::string& packageDir, bool trayAtLogon,
                const std::string& version, const Report& report);

// Removes everything Install made. The user's setup files and settings, and
// the ASIO latency and channels chosen in asiopanel, stay unless asked.
Outcome Uninstall(const Places& places, bool removeUserData, const Report& report);

}  // namespace setup
