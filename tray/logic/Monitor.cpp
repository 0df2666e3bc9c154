#include "Monitor.h"

#include <algorithm>

#include "resource.h"

namespace tray {

using quorvi::BoardDeviceBlock;
using quorvi::SettingsRecord;

BusySnapshot Snapshot(const BusyIndicators& busy) {
    return {busy.timer, busy.status, busy.punch, busy.meters.load(), busy.faders.load()};
}

int FormatOf(const BoardDeviceBlock& device) {
    return device.format < quorvi::kFormats ? device.format : -1;
}

std::uint8_t MainClockOf(const BoardDeviceBlock& device) {
    int format = FormatOf(device);
    return format < 0 ? 0 : device.mainClock[format];
}

void Monitor::Reset(int boardCount) {
    boardCount_ = std::clamp(boardCount, 0, kMaxBoards);
    for (BoardMonitor& b : state_) b = BoardMonitor{};
    band_ = RateBand{};
    forceBand_ = forceHighRate_ = true;
    lastAnnounced_ = 0;
    clockErrorLatched_ = fatal_ = clearRequested_ = identify_ = stopped_ = false;
    skip_ = 0;
}

void Monitor::SetCalibration(int board, std::uint32_t ticks) {
    state_[quorvi::ClampBoard(board)].secondsPerCount = SecondsPerCount(ticks);
}

void Monitor::ProgramMasks(const SettingsRecord& record) {
    if (boardCount_ == 0) return;
    std::uint32_t enable = StatusEnableValue(1, 0, 0);
    for (int b = 0; b < boardCount_; ++b) {
        BoardMonitor& board = state_[b];
        board.latched[0] = board.latched[1] = 0;
        board.masks = MasksFor(static_cast<std::uint32_t>(record.boards[b].statusMask));
        const BoardDeviceBlock& device = record.device.boards[b];
        enable = StatusEnableValue(FormatOf(device), MainClockOf(device), enable);
        if (!boards_.SetStatusMasks(b, enable)) {
            screen_.Report(IDS_SET_MASKS_FAILED);
            break;
        }
    }
    // Once monitoring has ended nothing reads the words again, and a read
    // that failed for good would only repeat its message at every update.
    if (stopped_) return;
    std::uint32_t words[2 * kMaxBoards] = {};
    if (boards_.ReadStatusFlags(boardCount_, words)) {
        skip_ = 4;
    } else {
        Stop(true);
        screen_.Report(IDS_GET_STATUS_FLAGS_FAILED);
    }
}

void Monitor::Tick(SettingsRecord& record) {
    if (stopped_) return;
    bool bandWriteFailed = false;
    bool readStartedFailing = false;
    for (int b = 0; b < boardCount_; ++b) {
        readStartedFailing |= ReadClock(b);
        Measure(b, record, bandWriteFailed);
    }
    // Boards whose reads keep failing are reported once, when they start
    // to fail, not with a message on every tick.
    if (readStartedFailing) screen_.Report(IDS_CLOCK_READ_FAILED);
    // Every board of this tick has had its band word; a failed write is
    // repeated on the next tick.
    if (!bandWriteFailed) forceBand_ = false;
    Announce(record);
    std::uint32_t words[2 * kMaxBoards] = {};
    if (!boards_.ReadStatusFlags(boardCount_, words)) {
        Stop(true);
        screen_.Report(IDS_GET_STATUS_FLAGS_FAILED);
        return;
    }
    Accumulate(words);
    Evaluate();
}

// The board's counter and I/O word, unless its meter window reads them.
// True when the read failed after the last one had succeeded.
bool Monitor::ReadClock(int b) {
    BoardMonitor& board = state_[b];
    if (screen_.MeterWindowOpen(b) || fatal_) return false;
    const bool failed = !boards_.ReadStatus(b, board.counter, board.ioWord);
    const bool started = failed && !board.readFailing;
    board.readFailing = failed;
    return started;
}

void Monitor::Measure(int b, SettingsRecord& record, bool& bandWriteFailed) {
    BoardMonitor& board = state_[b];
    const double instant = InstantRate(board.secondsPerCount, board.counter);
    // A board that gives no count cannot be measured: its registers are
    // left as they are rather than set for a rate of 0.
    if (instant <= 0) return;
    const SmoothedRate smoothed = SmoothRate(board.rate, instant);
    board.rate = smoothed.rate;
    if (smoothed.forced) forceBand_ = forceHighRate_ = true;

    BoardDeviceBlock& device = record.device.boards[b];
    SendHighRate(b, device);
    const int whole = static_cast<int>(board.rate);
    if (forceBand_ || !InBand(band_, whole)) {
        band_ = ClassifyRate(whole);
        forceBand_ = true;
        if (!WriteBand(b, device)) bandWriteFailed = true;
    }
}

void Monitor::SendHighRate(int b, BoardDeviceBlock& device) {
    const bool force = forceHighRate_;
    forceHighRate_ = false;
    auto word = HighRateUpdate(state_[b].rate, static_cast<std::uint32_t>(device.hiRateBits), force);
    if (!word) return;
    device.hiRateBits = static_cast<std::int32_t>(*word);
    if (screen_.ResendMix(b)) return;
    if (UINT failure = boards_.SendHighRateBit(b, *word)) screen_.Report(failure);
}

bool Monitor::WriteBand(int b, const BoardDeviceBlock& device) {
    const int format = FormatOf(device);
    if (format < 0) return true;
    for (std::uint32_t word : BandWords(format, device.srcClock[3], band_.band)) {
        if (!boards_.SendFpgaWord(b, word)) return false;
    }
    return true;
}

void Monitor::Announce(const SettingsRecord& record) {
    if (boardCount_ == 0) return;
    const int master = std::clamp(record.device.masterBoard, 0, boardCount_ - 1);
    const float hz = static_cast<float>(state_[master].rate * 1000);
    if (!ShouldAnnounce(lastAnnounced_, hz)) return;
    lastAnnounced_ = hz;
    screen_.AnnounceRate(MainClockOf(record.device.boards[master]), hz);
}

void Monitor::Accumulate(const std::uint32_t (&words)[2 * kMaxBoards]) {
    if (clearRequested_) {
        clearRequested_ = false;
        screen_.SetIcon(TrayIcon::Ok);
        for (int b = 0; b < boardCount_; ++b) {
            state_[b].latched[0] = words[2 * b];
            state_[b].latched[1] = words[2 * b + 1];
        }
    } else if (skip_ > 0) {
        --skip_;
    } else if (!identify_) {
        for (int b = 0; b < boardCount_; ++b) {
            state_[b].latched[0] |= words[2 * b];
            state_[b].latched[1] |= words[2 * b + 1];
        }
    }
}

// Board by board, until one changes the icon.
void Monitor::Evaluate() {
    for (int b = 0; b < boardCount_; ++b) {
        const BoardMonitor& board = state_[b];
        const std::uint32_t word0 = board.latched[0], word1 = board.latched[1];
        if ((word0 & kFatalBit) && !fatal_) {
            fatal_ = true;
            screen_.ShowFatal();
            Stop(false);
            screen_.SetIcon(TrayIcon::Fatal);
            return;
        }
        if (((word0 & ~kFatalBit) || word1) && !clockErrorLatched_ && !fatal_ &&
            CountsAsError(word0, word1, board.masks)) {
            clockErrorLatched_ = true;
            screen_.SetIcon(TrayIcon::ClockError);
            return;
        }
    }
}

void Monitor::Stop(bool removeIcon) {
    stopped_ = true;
    screen_.StopMonitoring(removeIcon);
}

void Monitor::RequestClear() {
    clearRequested_ = true;
    clockErrorLatched_ = false;
}

void Monitor::IdentifyStop() {
    skip_ += 4;
    identify_ = false;
}

void Monitor::SetErrorMask(int board, std::uint32_t errorMaskWord) {
    state_[quorvi::ClampBoard(board)].masks = MasksFor(errorMaskWord);
}

void Monitor::StoreStatus(int board, std::uint32_t counter, std::uint32_t ioWord) {
    BoardMonitor& b = state_[quorvi::ClampBoard(board)];
    b.counter = counter;
    b.ioWord = ioWord;
}

std::uint32_t Monitor::TakeLatched(int board, int word, std::uint32_t bits) {
    std::uint32_t& latched = state_[quorvi::ClampBoard(board)].latched[word ? 1 : 0];
    const std::uint32_t taken = latched & bits;
    latched &= ~bits;
    return taken;
}

}  // namespace tray
