#pragma once
// The meter window moved to the notification area: one small icon per four
// channels of a shown group and one for the master pair. The window adds
// the icons listed here (identifiers from kFirstTrayMeterIcon up), and on
// every tick replaces an icon's picture only when its pattern changed.
#include <string>
#include <string_view>
#include <vector>
#include "MeterScale.h"
#include "StripLayout.h"

namespace tray {

inline constexpr int kFirstTrayMeterIcon = 156;

struct TrayMeterIcon {
    bool master;
    int firstChannel;  // four channels from here; the master icon shows 32 and 33
    std::string tip;
};

// In the order the window adds them: inputs, outputs, master, each if shown.
std::vector<TrayMeterIcon> TrayMeterIcons(ShownGroups shown, std::string_view title);

// 0 silent, 1 above 2, 2 above 80, 3 clip; a channel the board lacks is 0.
int LevelClass(int value);

// Two bits per channel, the first channel in the top bits: 8 bits for a
// group icon, 4 for the master icon.
int IconPattern(const TrayMeterIcon& icon, const MeterValues& values);

// The icon resource that pictures a pattern.
int IconResource(const TrayMeterIcon& icon, int pattern);

}  // namespace tray
