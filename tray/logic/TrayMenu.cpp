#include "TrayMenu.h"

#include "resource.h"

namespace tray {

namespace {

// Handlers exist for this many user setups.
constexpr int kChoosableSetups = 8;

const UINT kMeterIds[4] = {ID_SHOW_METERS_1, ID_SHOW_METERS_2, ID_SHOW_METERS_3, ID_SHOW_METERS_4};
const UINT kMixerIds[4] = {ID_SHOW_MIXER_1, ID_SHOW_MIXER_2, ID_SHOW_MIXER_3, ID_SHOW_MIXER_4};

TrayMenuItem Item(UINT id) { return {id, id, {}}; }
TrayMenuItem Separator() { return {}; }

int BoardOf(UINT id, const UINT (&ids)[4]) {
    for (int b = 0; b < 4; ++b)
        if (ids[b] == id) return b;
    return -1;
}

}  // namespace

std::vector<TrayMenuItem> PlanTrayMenu(const TrayMenuContent& content) {
    const int boards = content.boards < 1 ? 1 : content.boards > 4 ? 4 : content.boards;
    std::vector<TrayMenuItem> items{Item(ID_MENU_HEADER), Separator(), Item(ID_SHOW_STATUS),
                                    Item(ID_CLEAR_ERROR), Item(ID_OPEN_CONTROL_PANEL)};
    items.push_back(Item(boards == 1 ? ID_SHOW_METERS : ID_SHOW_METERS_1));
    for (int b = 1; b < boards; ++b) items.push_back(Item(kMeterIds[b]));
    items.push_back(Item(boards == 1 ? ID_SHOW_MIXER : ID_SHOW_MIXER_1));
    for (int b = 1; b < boards; ++b) items.push_back(Item(kMixerIds[b]));
    items.push_back(Separator());
    if (content.punchOffered) {
        items.push_back(Item(ID_PUNCH));
        items.push_back(Separator());
    }
    if (!content.userSetups.empty()) {
        items.push_back(Item(ID_USER_SETUPS_HEADER));
        items.push_back(Separator());
        UINT id = ID_USER_SETUP_FIRST;
        for (const std::string& description : content.userSetups) items.push_back({id++, 0, description});
        items.push_back(Separator());
    }
    items.push_back({ID_CLOSE_TRAY, IDS_CLOSE_TRAY, {}});
    return items;
}

ParsedCommand ParseTrayCommand(UINT id) {
    switch (id) {
    case ID_SHOW_STATUS: return {TrayCommand::ShowStatus};
    case ID_CLEAR_ERROR: return {TrayCommand::ClearError};
    case ID_OPEN_CONTROL_PANEL: return {TrayCommand::OpenControlPanel};
    case ID_PUNCH: return {TrayCommand::Punch};
    case ID_CLOSE_TRAY: return {TrayCommand::Close};
    case ID_SHOW_METERS: return {TrayCommand::Meters, 0};
    case ID_SHOW_MIXER: return {TrayCommand::Mixer, 0};
    default: break;
    }
    if (int b = BoardOf(id, kMeterIds); b >= 0) return {TrayCommand::Meters, b};
    if (int b = BoardOf(id, kMixerIds); b >= 0) return {TrayCommand::Mixer, b};
    if (id >= ID_USER_SETUP_FIRST && id < ID_USER_SETUP_FIRST + kChoosableSetups)
        return {TrayCommand::UserSetup, static_cast<int>(id - ID_USER_SETUP_FIRST)};
    return {};
}

bool TrayCommandEnabled(UINT id, bool clockErrorLatched, const TrayWindows& windows) {
    switch (ParseTrayCommand(id).command) {
    case TrayCommand::None: return false;
    case TrayCommand::ClearError: return clockErrorLatched;
    case TrayCommand::ShowStatus: return windows.statusSheet;
    case TrayCommand::Meters: return windows.meters;
    case TrayCommand::Mixer: return windows.mixer;
    case TrayCommand::Punch: return windows.punch;
    default: return true;
    }
}

}  // namespace tray
