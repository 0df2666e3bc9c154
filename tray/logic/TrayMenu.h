#pragma once
// The tray icon's pop-up menu: its items for the boards and setups there
// are, what each command does and when it can be chosen.
#include <windows.h>

#include <string>
#include <vector>

namespace tray {

// The windows the menu opens that this program has; a command whose window
// is missing is shown but cannot be chosen.
struct TrayWindows {
    bool statusSheet = false;
    bool meters = false;
    bool mixer = false;
    bool punch = false;
};

struct TrayMenuItem {
    UINT id = 0;      // 0: a separator
    UINT textId = 0;  // the string of that number, or 0 when `text` is the text
    std::string text;
};

struct TrayMenuContent {
    int boards = 0;
    bool punchOffered = false;            // the Koriad value exists
    std::vector<std::string> userSetups;  // descriptions, in menu order
};

std::vector<TrayMenuItem> PlanTrayMenu(const TrayMenuContent& content);

enum class TrayCommand {
    None,  // a header, or a command nothing handles
    ShowStatus,
    ClearError,
    OpenControlPanel,
    Meters,
    Mixer,
    Punch,
    UserSetup,
    Close,
};

struct ParsedCommand {
    TrayCommand command = TrayCommand::None;
    int index = 0;  // board (Meters, Mixer) or setup (UserSetup) from 0
};

ParsedCommand ParseTrayCommand(UINT id);

// Clear Error Indicator only while the clock-error indication is latched;
// the windows' commands while their window exists; headers and setups past
// the eighth never.
bool TrayCommandEnabled(UINT id, bool clockErrorLatched, const TrayWindows& windows);

}  // namespace tray
