#pragma once
// Message texts the tray fills in itself.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Monitor.h"

namespace tray {

// Each "%d" or "%s" of the pattern takes the next value, as text; "%%" is a
// percent sign; anything else is copied as it stands, so a pattern never
// reads values that were not given.
std::string FillText(std::string_view pattern, const std::vector<std::string>& values);

// "Timeout while waiting ...": flags as 0/1, counters as counts.
std::string UpdateTimeoutText(std::string_view pattern, const BusySnapshot& busy);

// The driver's boot results: one byte per board from the least significant
// (board 1). 0xFF means nothing for that board, 0 ends the list, 1-14 name
// a failure, anything else is undefined.
struct BootResult {
    int board;     // 1-4
    unsigned textId;  // the failure's text, or the undefined-value text
};
std::vector<BootResult> WalkBootResults(std::uint32_t value);

}  // namespace tray
