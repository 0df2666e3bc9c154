// The driver object's clock sources, sample rates, control panel and
// extensions.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "AsioDriver.h"
#include "quorvi/MachineValues.h"
#include "win/Handle.h"
#include "win/RegKey.h"

namespace quorviasio {

namespace {

// After a clock change the boards settle and the tray stores what they run
// at; then the driver reads it.
constexpr DWORD kClockSettleMs = 400;

}  // namespace

void AsioDriver::setRate(double rate) {
    rate_ = rate;
    streamer_.setRate(ReportedRate(rate));
}

void AsioDriver::tellRate(double before) const {
    if (ReportedRate(before) != ReportedRate(rate_)) streamer_.host().sampleRateDidChange(ReportedRate(rate_));
}

void AsioDriver::readClockSettings() {
    const win::RegKey key = win::RegKey::Open(HKEY_LOCAL_MACHINE, quorvi::kMakerKey, KEY_READ);
    if (!key) return;
    if (auto bits = key.queryDword(quorvi::kSampleRateValue)) {
        float stored;
        std::memcpy(&stored, &*bits, sizeof stored);
        if (IsUsableRate(stored)) setRate(stored);
    }
    const auto code = key.queryDword(quorvi::kClockSourceValue);
    if (!code) return;
    const auto source = SourceForCode(*code);
    if (!source) {
        setError("Couldn't determine current clock source!");
        return;
    }
    // The tray stores the code only when the rate moves, so a code read
    // before says nothing newer than a source chosen here since.
    if (*code != storedClock_) {
        masterClock_ = *code;
        clockSource_ = *source;
    }
    storedClock_ = *code;
}

bool AsioDriver::applyMasterClock(std::uint32_t code) {
    return QuorviSetMasterClock(static_cast<int>(code), device_.get()) != 0;
}

ASIOError AsioDriver::canSampleRate(ASIOSampleRate rate) {
    if (!initialised()) return ASE_NotPresent;
    return IsInternalRate(rate) ? ASE_OK : ASE_NoClock;
}

ASIOError AsioDriver::getSampleRate(ASIOSampleRate* rate) {
    if (!initialised()) return ASE_NotPresent;
    if (!rate) return ASE_InvalidParameter;
    if (clockSource_ == kInternalSource)
        setRate(masterClock_ == kClockInternal48 ? kRate48 : kRate44);
    else
        readClockSettings();
    *rate = ReportedRate(rate_);
    return ASE_OK;
}

ASIOError AsioDriver::setSampleRate(ASIOSampleRate rate) {
    if (!initialised()) return ASE_NotPresent;
    if (!std::isfinite(rate)) return ASE_NoClock;
    if (clockSource_ != kInternalSource) {
        // An external or varispeed clock sets the rate; the host learns it.
        readClockSettings();
        if (ReportedRate(rate_) != rate) streamer_.host().sampleRateDidChange(ReportedRate(rate_));
        return ASE_OK;
    }
    if (!IsInternalRate(rate)) return ASE_NoClock;
    if (!device_) return ASE_NotPresent;
    const std::uint32_t code = rate == kRate44 ? kClockInternal44 : kClockInternal48;
    if (!applyMasterClock(code)) return ASE_HWMalfunction;
    const double before = rate_;
    setRate(rate);
    masterClock_ = code;
    tellRate(before);
    return ASE_OK;
}

ASIOError AsioDriver::getClockSources(ASIOClockSource* clocks, long* count) {
    if (!clocks || !count) return ASE_InvalidParameter;
    *count = FillClockSources(clocks, *count, clockSource_);
    return ASE_OK;
}

ASIOError AsioDriver::setClockSource(long index) {
    if (index < 0 || index >= kClockSourceCount) return ASE_InvalidParameter;
    // Without the boards nothing could be applied, and the setup must not
    // be changed for nothing.
    if (!device_) return ASE_NotPresent;
    const double before = rate_;
    const std::uint32_t code = CodeForSource(index, rate_);
    if (!applyMasterClock(code)) return ASE_HWMalfunction;
    clockSource_ = index;
    masterClock_ = code;
    if (index != kInternalSource) {
        Sleep(kClockSettleMs);
        readClockSettings();
    }
    tellRate(before);
    return ASE_OK;
}

ASIOError AsioDriver::controlPanel() {
    char windows[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("windir", windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) GetWindowsDirectoryA(windows, sizeof windows);
    char path[MAX_PATH + 32];
    std::snprintf(path, sizeof path, "%s\\system\\Asiopanel.exe", windows);
    char commandLine[] = "Asiopanel.exe ASIO";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        const win::Handle thread(process.hThread), panel(process.hProcess);
        WaitForSingleObject(panel.get(), INFINITE);
    }
    // The host opens the driver again and so takes up a new latency or
    // reservation.
    streamer_.host().message(kAsioResetRequest);
    return ASE_OK;
}

ASIOError AsioDriver::future(long selector, void*) {
    switch (selector) {
    case kAsioEnableTimeCodeRead:
        streamer_.setTimecodeRead(true);
        return ASE_SUCCESS;
    case kAsioDisableTimeCodeRead:
        streamer_.setTimecodeRead(false);
        return ASE_SUCCESS;
    case kAsioSetInputMonitor:
    case kAsioCanTimeInfo:
        return ASE_SUCCESS;
    case kAsioCanTimeCode:
        // Without the boards there is no time code, and nothing to ask.
        if (!device_ || !QuorviTimeCodeEnabled(device_.get())) return ASE_NotPresent;
        // Time code reaches only a host that takes time records.
        if (streamer_.timeInfo()) streamer_.setTimecodeAvailable(true);
        return ASE_SUCCESS;
    default:
        return ASE_NotPresent;
    }
}

}  // namespace quorviasio
