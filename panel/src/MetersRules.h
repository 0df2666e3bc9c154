#pragma once
// The Meters/Mixer page's rules, free of windows.
#include <string>
#include <vector>

namespace panel {

// Entries of a monitor destination list for a board format, "Off" first;
// a format the page does not know has "Off" only.
std::vector<std::string> MonitorDestinations(int format);

// Choices of the input/repro switching list.
inline constexpr const char* kInputReproModes[] = {"Off", "tape type", "ZLM"};

}  // namespace panel
