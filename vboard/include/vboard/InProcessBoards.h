#pragma once
// Virtual boards served from inside a test process on a manual clock: the
// code under test opens them through win::DeviceOpen as usual, the test
// configures them, injects failures, steps time and reads the request log
// and the opens.
#include <string>
#include <vector>

#include "vboard/Control.h"
#include "vboard/DeviceService.h"
#include "vboard/Driver.h"

namespace vboard {

class InProcessBoards {
public:
    explicit InProcessBoards(const DriverConfig& config = DriverConfig{});
    ~InProcessBoards();
    InProcessBoards(const InProcessBoards&) = delete;
    InProcessBoards& operator=(const InProcessBoards&) = delete;

    // False when another service already held the pipe name.
    bool serving() const { return serving_; }
    Driver& driver() { return driver_; }
    // Steps the manual clock; streaming blocks due by then are transferred.
    void advanceMs(std::uint32_t ms) {
        clock_.advanceMicros(ms * 1000ull);
        driver_.pump();
    }
    // A command of kControlHelp; throws std::runtime_error when refused, so
    // a mistyped command fails the test that sent it.
    std::string control(const std::string& line);
    // Requests received, all or those with one code.
    std::vector<LogEntry> log() const { return driver_.log(); }
    std::vector<LogEntry> log(std::uint32_t code) const;
    // Devices opened, with the arguments the callers passed.
    std::vector<OpenEntry> opens() const { return driver_.opens(); }

private:
    ManualClock clock_;
    Driver driver_;
    DeviceService service_;
    bool serving_ = false;
};

// Sets the virtual boards' switch in this process's environment (null:
// unset) while it lives, for tests of what programs do without it; the
// programs a test starts meanwhile inherit the setting.
class SwitchSetting {
public:
    explicit SwitchSetting(const char* value);
    ~SwitchSetting();
    SwitchSetting(const SwitchSetting&) = delete;
    SwitchSetting& operator=(const SwitchSetting&) = delete;

private:
    char saved_[16] = {};
    bool had_ = false;
};

}  // namespace vboard
