#include "vboard/InProcessBoards.h"

#include <stdexcept>

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

}  // namespace vboard
