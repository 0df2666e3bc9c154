#include "vboard/InProcessBoards.h"

#include <windows.h>

#include <stdexcept>

#include "win/Device.h"

namespace vboard {

InProcessBoards::InProcessBoards(const DriverConfig& config)
    : driver_(clock_, config), service_(driver_), serving_(service_.start()) {}

InProcessBoards::~InProcessBoards() { service_.stop(); }

std::string InProcessBoards::control(const std::string& line) {
    ControlResult r = RunControl(driver_, &clock_, line);
    if (!r.ok) throw std::runtime_error(line + ": " + r.text);
    return r.text;
}

std::vector<LogEntry> InProcessBoards::log(std::uint32_t code) const {
    std::vector<LogEntry> out;
    for (LogEntry& e : driver_.log())
        if (e.code == code) out.push_back(std::move(e));
    return out;
}

SwitchSetting::SwitchSetting(const char* value) {
    DWORD n = GetEnvironmentVariableA(win::devicepipe::kSwitchName, saved_, sizeof saved_);
    had_ = n > 0 && n < sizeof saved_;
    SetEnvironmentVariableA(win::devicepipe::kSwitchName, value);
}

SwitchSetting::~SwitchSetting() { SetEnvironmentVariableA(win::devicepipe::kSwitchName, had_ ? saved_ : nullptr); }

}  // namespace vboard
