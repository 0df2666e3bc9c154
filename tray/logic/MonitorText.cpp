#include "MonitorText.h"

#include "resource.h"

namespace tray {

std::string FillText(std::string_view pattern, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        const char following = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '%' && following == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && (following == 'd' || following == 's') && next < values.size()) {
            out += values[next++];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string UpdateTimeoutText(std::string_view pattern, const BusySnapshot& busy) {
    return FillText(pattern, {busy.timer ? "1" : "0", busy.status ? "1" : "0", std::to_string(busy.meters),
                              std::to_string(busy.faders), busy.punch ? "1" : "0"});
}

std::vector<BootResult> WalkBootResults(std::uint32_t value) {
    std::vector<BootResult> results;
    for (int board = 1; board <= 4; ++board, value >>= 8) {
        const unsigned code = value & 0xFF;
        if (code == 0xFF) continue;
        if (code == 0) break;
        const bool known = code <= 14;
        results.push_back({board, known ? IDS_BOOT_RESULT_BASE + code : IDS_BOOT_RESULT_UNDEFINED});
    }
    return results;
}

}  // namespace tray
