// Works a running quorvitray for the demo, as the shell and a user would:
//   tray_demo started        waits until the tray's icon is up and its start-up done
//   tray_demo menu           opens the icon's menu (a right click on the icon)
//   tray_demo close-menu     closes it again
//   tray_demo command ID     chooses menu command ID
//   tray_demo rate HZ        waits until the tray announced a rate of at least
//                            HZ, then prints the announced rate and clock
//   tray_demo values         prints the tray's calibration values
//   tray_demo shutdown       asks every tray to close ("QUORVI SHUTDOWN")
//   tray_demo window TITLE   waits until a window of that title is shown
//   tray_demo syscommand TITLE ID   chooses item ID of that window's system menu
//   tray_demo text TITLE ID  prints the text of control ID in that window
// Exits with 0 when the step was done.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "resource.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"

using namespace testkit;

namespace {

constexpr const char* kMakerKey = "SOFTWARE\\Quelmar";
constexpr UINT kTrayNotify = WM_USER + 1;

HWND Frame() {
    HWND frame = nullptr;
    WaitUntil([&] { return (frame = FindTopWindow("", "QUORVI Tray Controller")) != nullptr; });
    return frame;
}

std::optional<float> AnnouncedRate() {
    auto bits = ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "SampleRate");
    if (!bits) return std::nullopt;
    float rate;
    std::memcpy(&rate, &*bits, sizeof rate);
    return rate;
}

// Calibration and the announced rate are written once the start-up is done.
int Started() {
    return Frame() && WaitUntil([] { return AnnouncedRate().has_value(); }, 20000) ? 0 : 1;
}

int Rate(float atLeast) {
    if (!WaitUntil([&] { return AnnouncedRate().value_or(0) >= atLeast; }, 20000)) return 1;
    std::printf("announced rate %.2f Hz, clock source %lu\n", *AnnouncedRate(),
                ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, "ClockSource").value_or(0));
    return 0;
}

void Values() {
    for (const char* name : {"Ticks0", "Ticks1", "Samples", "ShutdownMessage"}) {
        if (auto value = ReadRegDword(HKEY_LOCAL_MACHINE, kMakerKey, name))
            std::printf("%s = %lu\n", name, *value);
    }
}

// A shown window of that title.
HWND Window(const char* title) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindTopWindow("", title)) != nullptr && IsWindowVisible(window); });
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "window" && argc > 2) return Window(argv[2]) ? 0 : 1;
    if (step == "syscommand" && argc > 3) {
        HWND window = Window(argv[2]);
        return window && PostMessageA(window, WM_SYSCOMMAND, std::atoi(argv[3]), 0) ? 0 : 1;
    }
    if (step == "text" && argc > 3) {
        HWND window = Window(argv[2]);
        HWND control = window ? Control(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        std::printf("%s\n", GetText(control).c_str());
        return 0;
    }
    if (step == "started") return Started();
    if (step == "values") {
        Values();
        return 0;
    }
    if (step == "rate" && argc > 2) return Rate(static_cast<float>(std::atof(argv[2])));
    if (step == "shutdown") {
        PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("QUORVI SHUTDOWN"), 0, 0);
        return 0;
    }
    if (step == "close-menu") {
        HWND menu = nullptr;
        if (!WaitUntil([&] { return (menu = FindTopWindow("#32768", "")) != nullptr; })) return 1;
        PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return WaitUntil([&] { return !IsWindowVisible(menu); }) ? 0 : 1;
    }
    HWND frame = Frame();
    if (!frame) return 1;
    if (step == "menu") {
        PostMessageA(frame, kTrayNotify, IDI_TRAY_OK, WM_RBUTTONDOWN);
        return WaitUntil([] { return FindTopWindow("#32768", "") != nullptr; }) ? 0 : 1;
    }
    if (step == "command" && argc > 2) {
        PostMessageA(frame, WM_COMMAND, std::atoi(argv[2]), 0);
        return 0;
    }
    std::fprintf(stderr,
                 "usage: tray_demo started|menu|close-menu|command ID|rate HZ|values|shutdown|window TITLE|"
                 "syscommand TITLE ID|text TITLE ID\n");
    return 2;
}
