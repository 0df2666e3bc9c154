#include "MeterTray.h"
#include <cstdio>

namespace tray {

namespace {

void AddGroup(std::vector<TrayMeterIcon>& icons, std::string_view title, const char* group, int firstChannel) {
    for (int i = 0; i < 4; ++i) {
        char tip[160];
        std::snprintf(tip, sizeof tip, "%.*s-%s %d && %d L/R", static_cast<int>(title.size()), title.data(),
                      group, 2 * i + 1, 2 * i + 2);
        icons.push_back({false, firstChannel + 4 * i, tip});
    }
}

}  // namespace

std::vector<TrayMeterIcon> TrayMeterIcons(ShownGroups shown, std::string_view title) {
    std::vector<TrayMeterIcon> icons;
    if (shown.inputs) AddGroup(icons, title, "Inputs", 0);
    if (shown.outputs) AddGroup(icons, title, "Outputs", kFirstOutput);
    if (shown.master) icons.push_back({true, kFirstMaster, std::string(title) + "-Monitor L/R"});
    return icons;
}

int LevelClass(int value) {
    if (value >= kClipValue) return 3;
    if (value > 80) return 2;
    return value > 2 ? 1 : 0;
}

int IconPattern(const TrayMeterIcon& icon, const MeterValues& values) {
    const int channels = icon.master ? 2 : 4;
    int pattern = 0;
    for (int i = 0; i < channels; ++i) pattern = pattern << 2 | LevelClass(values[icon.firstChannel + i]);
    return pattern;
}

// The group icons are resources 155-170 and 187-426, with the first two
// swapped; the master icons lie between them, 171-186.
int IconResource(const TrayMeterIcon& icon, int pattern) {
    if (icon.master) return 171 + (pattern & 15);
    pattern &= 255;
    if (pattern < 2) return 156 - pattern;
    return pattern < 16 ? 155 + pattern : 171 + pattern;
}

}  // namespace tray
