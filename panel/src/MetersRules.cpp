#include "MetersRules.h"
#include "FormatNumbers.h"

namespace panel {

namespace {

void AddChannels(std::vector<std::string>& list, const char* prefix, int count) {
    for (int ch = 1; ch <= count; ++ch) list.push_back(prefix + std::to_string(ch));
}

}  // namespace

std::vector<std::string> MonitorDestinations(int format) {
    std::vector<std::string> list{"Off"};
    switch (format) {
    case 0:
    case 5:
        AddChannels(list, "ADAT A Ch ", 8);
        AddChannels(list, "ADAT B Ch ", 8);
        break;
    case 1:
    case 2:
    case 6:
        AddChannels(list, "ADAT A Ch ", 8);
        AddChannels(list, "SPDIF B Ch ", 2);
        break;
    case 3:
        AddChannels(list, "SPDIF A Ch ", 2);
        AddChannels(list, "SPDIF B Ch ", 2);
        break;
    case 4:
        AddChannels(list, "Korg A Ch ", 8);
        AddChannels(list, "Korg B Ch ", 8);
        break;
    default:
        break;
    }
    return list;
}

}  // namespace panel
