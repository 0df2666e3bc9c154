#pragma once
// The event monitor: every tick it measures each board's sample rate, keeps
// the rate-dependent registers in step, announces rate changes, gathers the
// boards' status words and decides the tray icon's colour. It knows nothing
// of windows: the boards and the screen are reached through the two ports
// below, so the frame only wires the timer, the messages and the icon.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "MonitorRules.h"
#include "quorvi/SettingsRecord.h"

namespace tray {

// The boards the settings record holds.
inline constexpr int kMaxBoards = quorvi::kRecordBoards;

// The driver requests the monitor makes.
class MonitorBoards {
public:
    virtual ~MonitorBoards() = default;
    // QUORVI_GET_STATUS: the counter (dword 4) and the I/O word (dwords 6-7).
    virtual bool ReadStatus(int board, std::uint32_t& counter, std::uint32_t& ioWord) = 0;
    // QUORVI_GET_STATUS_FLAGS: words 0 and 1 of every board, in board order.
    virtual bool ReadStatusFlags(int boards, std::uint32_t (&words)[2 * kMaxBoards]) = 0;
    virtual bool SetStatusMasks(int board, std::uint32_t enable) = 0;
    // Puts bit 7 of the option word into the board's parameter block; 0 on
    // success, else the string id of the failure.
    virtual UINT SendHighRateBit(int board, std::uint32_t optionWord) = 0;
    virtual bool SendFpgaWord(int board, std::uint32_t word) = 0;
};

enum class TrayIcon { Ok, ClockError, Fatal };

// What the monitor shows and asks of the program's windows.
class MonitorScreen {
public:
    virtual ~MonitorScreen() = default;
    // A failure, shown at once or held until start-up is complete.
    virtual void Report(UINT textId) = 0;
    // The fatal-error message, always at once.
    virtual void ShowFatal() = 0;
    virtual void SetIcon(TrayIcon icon) = 0;
    // Monitoring ends for good: the timer stops, and the icon goes too.
    virtual void StopMonitoring(bool removeIcon) = 0;
    virtual void AnnounceRate(std::uint32_t clock, float hz) = 0;
    // The board's meter window reads its status itself while open.
    virtual bool MeterWindowOpen(int board) = 0;
    // A mixer window open for the board sends the high-rate bit with its
    // mix; false when there is none.
    virtual bool ResendMix(int board) = 0;
};

// What the other programs must wait for before they change the boards'
// settings (START QUORVI UPDATE), and the pause that follows. Meters and
// Faders are counted by windows whose work may nest.
struct BusyIndicators {
    bool updateInProgress = false;
    bool timer = false;
    bool status = false;
    bool punch = false;
    std::atomic<long> meters{0};
    std::atomic<long> faders{0};

    bool Idle() const { return !timer && !status && !punch && meters == 0 && faders == 0; }
};

// The indicators as they were when a wait began, for its timeout message.
struct BusySnapshot {
    bool timer, status, punch;
    long meters, faders;
};
BusySnapshot Snapshot(const BusyIndicators& busy);

struct BoardMonitor {
    std::uint32_t latched[2] = {};  // every status word read since the last clear, ORed
    StatusMasks masks{};
    std::uint32_t counter = 0;      // dword 4 of the last status block
    std::uint32_t ioWord = 0;       // dwords 6 and 7 of it
    double secondsPerCount = 0;     // from the start-up calibration; 0 = none
    double rate = 0;                // kHz, smoothed; 0 = not measured yet
    bool readFailing = false;       // the monitor's last status read failed
};

class Monitor {
public:
    Monitor(MonitorBoards& boards, MonitorScreen& screen) : boards_(boards), screen_(screen) {}

    // Start-up: forgets everything, then calibrated boards can be measured.
    void Reset(int boardCount);
    void SetCalibration(int board, std::uint32_t ticks);

    // Clears the latched words, computes each board's masks from its
    // error-mask word, programs the driver's status reporting and reads the
    // status words once.
    void ProgramMasks(const quorvi::SettingsRecord& record);
    // One timer tick. The record's option words follow the high-rate bit.
    void Tick(quorvi::SettingsRecord& record);

    // Both clear commands: the next tick starts the latched words afresh.
    void RequestClear();
    void IdentifyStart() { identify_ = true; }
    void IdentifyStop();
    // The rate band and the high-rate bit are sent again on the next tick.
    void ForceReevaluation() { forceBand_ = forceHighRate_ = true; }
    // The status page changed the board's error-mask word.
    void SetErrorMask(int board, std::uint32_t errorMaskWord);
    // A meter window's own status read.
    void StoreStatus(int board, std::uint32_t counter, std::uint32_t ioWord);
    // Which of the given bits of a latched status word (0 or 1) are set;
    // they are cleared, so each report is taken once.
    std::uint32_t TakeLatched(int board, int word, std::uint32_t bits);

    int boardCount() const { return boardCount_; }
    const BoardMonitor& board(int b) const { return state_[quorvi::ClampBoard(b)]; }
    bool clockErrorLatched() const { return clockErrorLatched_; }
    // Monitoring has ended for good (fatal error or a failed status read).
    bool stopped() const { return stopped_; }
    int skipCount() const { return skip_; }

private:
    bool ReadClock(int b);
    void Measure(int b, quorvi::SettingsRecord& record, bool& bandWriteFailed);
    void SendHighRate(int b, quorvi::BoardDeviceBlock& device);
    bool WriteBand(int b, const quorvi::BoardDeviceBlock& device);
    void Announce(const quorvi::SettingsRecord& record);
    void Accumulate(const std::uint32_t (&words)[2 * kMaxBoards]);
    void Evaluate();
    void Stop(bool removeIcon);

    MonitorBoards& boards_;
    MonitorScreen& screen_;
    BoardMonitor state_[kMaxBoards];
    int boardCount_ = 0;
    RateBand band_;
    bool forceBand_ = false;
    bool forceHighRate_ = false;
    float lastAnnounced_ = 0;
    bool clockErrorLatched_ = false;
    bool fatal_ = false;
    bool clearRequested_ = false;
    bool identify_ = false;
    bool stopped_ = false;
    int skip_ = 0;
};

// A board's format number, or -1 when the record holds none the arrays have.
int FormatOf(const quorvi::BoardDeviceBlock& device);
// The board's main clock code in its current format (0 without a format).
std::uint8_t MainClockOf(const quorvi::BoardDeviceBlock& device);

}  // namespace tray
