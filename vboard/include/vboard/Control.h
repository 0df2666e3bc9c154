#pragma once
// The control interface of the virtual boards, private to them: one text
// command per line, the same for a test in process, the C++ client and
// `quorvisim --ctl`. The command list is kControlHelp.
#include <cstdint>
#include <string>
#include <vector>

#include "vboard/Clock.h"
#include "vboard/Driver.h"

namespace vboard {

extern const char* const kControlHelp;
inline constexpr const char* kControlPipeName = "\\\\.\\pipe\\quorvisim-control";

struct ControlResult {
    bool ok = true;
    std::string text;  // reply lines, or the reason of a failure
    bool stop = false; // the command asks the service to end
};

// Runs one command against the driver. `manual` is the clock that `step`
// advances; null when the boards run on real time.
ControlResult RunControl(Driver& driver, ManualClock* manual, const std::string& line);

// Name of a request code ("QUORVI_GET_STATUS"), or its hex form.
std::string RequestName(std::uint32_t code);
// Accepts a request name or a number; false when it is neither.
bool ParseRequest(const std::string& text, std::uint32_t& code);

// One line of `log` output per entry: sequence, handle, request, board,
// result, input bytes in hex.
std::string FormatLogEntry(const LogEntry& e);
bool ParseLogEntry(const std::string& line, LogEntry& e);
// One line of `opens` output: sequence, handle, result, access, share,
// disposition, flags, then the name to the end of the line.
std::string FormatOpenEntry(const OpenEntry& e);
bool ParseOpenEntry(const std::string& line, OpenEntry& e);

// The C++ client of a running quorvisim.
class ControlClient {
public:
    // Sends one command; false when quorvisim cannot be reached or refused
    // the command (the reason is in `reply`).
    bool command(const std::string& line, std::string& reply) const;
    std::vector<LogEntry> log() const;
    std::vector<OpenEntry> opens() const;
};

}  // namespace vboard
