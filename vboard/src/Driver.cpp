#include "vboard/Driver.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "Stream.h"
#include "win/Device.h"

namespace vboard {

using namespace quorvi;

namespace {

// Time code zero lies 120 seconds into the position at the time code's rate,
// as the tray shows and arms it.
constexpr std::uint32_t kTimecodeZeroSeconds = 120;
constexpr std::size_t kMaxLog = 20000;
// No request takes more than the device block; keeping only that much of
// an input bounds the log however large the inputs a client sends.
constexpr std::uint32_t kMaxLoggedInput = kDeviceBlockSize;
constexpr std::size_t kMaxOpens = 1000;
constexpr std::uint32_t kFullScale = 0x800000;
constexpr std::uint32_t kNoMasterClock = 0x1;  // status word 0
constexpr std::uint32_t kTimecodePaused = 0x100;  // status word 1
// Identification: each optical output flashes for 25 ms, A every 150 ms and
// B every 300 ms, late in its period, so that a poll every 50 ms from the
// start sees A at every third poll and B at every sixth, and a poll that
// comes much faster sees one flash twice.
constexpr std::uint64_t kFlashMicros = 25000, kFlashPeriodA = 150000, kFlashPeriodB = 300000;
constexpr std::uint64_t kFlashAt = 100000;  // into A's period; B's lies as far from its end

std::uint32_t Word(const std::uint8_t* p, int i) {
    std::uint32_t v;
    std::memcpy(&v, p + 4 * i, 4);
    return v;
}

void PutWord(std::vector<std::uint8_t>& out, int i, std::uint32_t v) { std::memcpy(out.data() + 4 * i, &v, 4); }

Reply Fail(std::uint32_t error) { return Reply{error, {}}; }
// A request without reply data: success or the error.
Reply Result(std::uint32_t error) { return Reply{error, {}}; }

bool IsBoardDevice(const std::string& name) {
    return _stricmp(name.c_str(), kDeviceNameNT) == 0 || _stricmp(name.c_str(), kDeviceNameAsio) == 0;
}

// Requests whose first input word is a board index, for the log.
bool TakesBoard(std::uint32_t code) {
    switch (code) {
    case QUORVI_GET_BOARD_INFO: case QUORVI_GET_STATUS: case QUORVI_SET_PARAM: case QUORVI_HC_GET_PARAMS:
    case QUORVI_HC_REPROG_FPGA: case QUORVI_SET_STATUS_MASKS: case QUORVI_HC_SEND_FPGABYTE:
    case QUORVI_HC_GET_FPGABYTE: case STOP_SERIAL:
        return true;
    default:
        return false;
    }
}

bool IsLintraRequest(std::uint32_t code) {
    return code == ICEAPI_ENUM_DEVICES || code == ICEAPI_GETDEVICEINFO || code == ICEAPI_SET_RATE ||
           code == ICEAPI_CUSTOM;
}

// The position of the Lintra board an identifier names; kMaxLintra for none.
std::uint32_t LintraPosition(std::uint32_t id, std::uint32_t boards) {
    for (std::uint32_t i = 0; i < boards; ++i)
        if (LintraId(i) == id) return i;
    return kMaxLintra;
}

bool IsStreamRequest(std::uint32_t code) {
    switch (code) {
    case QUORVI_SET_OUT_CHANNEL: case QUORVI_SET_IN_CHANNEL: case QUORVI_IOSTART: case QUORVI_IORESET:
    case QUORVI_ALLOC_BUFFERS: case QUORVI_FREE_BUFFERS: case QUORVI_SET_CALLBACK: case QUORVI_CLEAR_CALLBACK:
        return true;
    default:
        return false;
    }
}

bool IsStandardRate(std::uint32_t hz) {
    static const std::uint32_t rates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000};
    return std::find(std::begin(rates), std::end(rates), hz) != std::end(rates);
}

// Meter of a channel in the status block: the outputs the format carries,
// then its inputs, then master left and right from the two monitor outputs;
// -1 for a channel the format leaves unused. Interface A carries eight
// channels or two (S/PDIF), B likewise.
int MeterIndex(std::uint32_t format, bool input, std::uint32_t bit) {
    struct Counts {
        std::uint32_t inA, inB, outA, outB;
    };
    static const Counts kCounts[] = {{8, 8, 8, 8}, {8, 2, 8, 2}, {8, 2, 8, 2}, {2, 2, 2, 2},
                                     {8, 2, 8, 8}, {8, 8, 8, 8}, {8, 2, 8, 2}};
    const Counts& c = kCounts[format < std::size(kCounts) ? format : 0];
    std::uint32_t outputs = c.outA + c.outB, inputs = c.inA + c.inB;
    std::uint32_t a = input ? c.inA : c.outA, b = input ? c.inB : c.outB;
    std::uint32_t first = input ? outputs : 0;
    if (!input && bit >= 16) return static_cast<int>(outputs + inputs + bit - 16);
    if (bit < 8) return bit < a ? static_cast<int>(first + bit) : -1;
    return bit - 8 < b ? static_cast<int>(first + a + bit - 8) : -1;
}

// Board counts beyond what the state holds would index past it.
DriverConfig Clamped(DriverConfig c) {
    c.boards = std::min(c.boards, kMaxBoards);
    c.lintraBoards = std::min<std::uint32_t>(c.lintraBoards, kMaxLintra);
    return c;
}

}  // namespace

Driver::HandleState::HandleState() : stream(std::make_unique<Stream>()) {}
Driver::HandleState::~HandleState() = default;
Driver::HandleState::HandleState(HandleState&&) noexcept = default;

Driver::Driver(const Clock& clock, const DriverConfig& config) : clock_(clock), config_(Clamped(config)) { powerOn(); }

Driver::~Driver() = default;

void Driver::powerOn() {
    for (std::uint32_t b = 0; b < kMaxBoards; ++b) {
        boards_[b] = BoardState{};
        // The driver's own words of the parameter block.
        boards_[b].params[67] = 0x00010000 + b;
        boards_[b].params[68] = 0x0000FFFF;
        boards_[b].lastCounter = config_.board[b].tickConstant / 32.0;
    }
    for (auto& l : lintra_) l = LintraState{};
    std::memset(&device_, 0, sizeof device_);
    device_.version = kRecordVersion;
    for (auto& d : device_.boards)
        for (int f = 0; f < kFormats; ++f) {
            d.mainClock[f] = 3;
            d.varispeed[f] = 401;
        }
    std::memset(sysSetup_, 0, sizeof sysSetup_);
    setTimecodeBits(config_.timecodeOn);
    timecode_ = timecodeZero();
    timecodeRunning_ = false;
    timecodeFraction_ = 0;
    lastAdvance_ = clock_.nowMicros();
    punchArmed_ = punchHit_ = false;
    punchPosition_ = 0;
}

std::uint32_t Driver::open(const std::string& name, std::uint32_t& handle, const OpenArgs& args) {
    std::lock_guard lock(mutex_);
    const bool lintra = _stricmp(name.c_str(), kDeviceNameLintra) == 0;
    std::uint32_t error = 0;
    if (lintra ? !config_.lintraDriver : !IsBoardDevice(name))
        error = ERROR_FILE_NOT_FOUND;
    else
        takeFailure(kOpenRequest, -1, error);
    if (!error) {
        HandleState h;
        h.lintra = lintra;
        handle = nextHandle_++;
        handles_.emplace(handle, std::move(h));
    }
    if (opens_.size() >= kMaxOpens) opens_.pop_front();
    opens_.push_back(OpenEntry{++logSequence_, error ? 0 : handle, name, args, error});
    return error;
}

void Driver::close(std::uint32_t handle, std::vector<void*>* waiters) {
    std::vector<void*> ended;
    {
        std::lock_guard lock(mutex_);
        auto it = handles_.find(handle);
        if (it == handles_.end()) return;
        it->second.stream->clearCallbacks(ended);
        handles_.erase(it);
    }
    if (waiters)
        waiters->insert(waiters->end(), ended.begin(), ended.end());
    else
        settle(ended);
}

void Driver::settle(std::vector<void*>& waiters) { WaitForWaiters(waiters); }

void Driver::pump() {
    std::lock_guard lock(mutex_);
    advance();
    Stream::Now now{clock_.nowMicros(), clock_.milliseconds(), timecode_, timecodeRunning_, timecodeRate(), {}};
    for (std::uint32_t b = 0; b < config_.boards; ++b)
        for (std::uint32_t bit = 0; bit < 16; ++bit) {
            int m = MeterIndex(device_.boards[b].format, true, bit);
            now.inputSignal[b][bit] = m < 0 ? 0 : meterLevel(config_.board[b].signals[m]);
        }
    for (auto& [id, h] : handles_)
        if (h.stream->running()) h.stream->pump(now, sampleRate(h.stream->board()));
}

std::uint64_t Driver::nextBoundaryMicros() const {
    std::lock_guard lock(mutex_);
    std::uint64_t next = UINT64_MAX;
    for (auto& [id, h] : handles_) next = std::min(next, h.stream->nextBoundary());
    return next;
}

Reply Driver::request(std::uint32_t handle, std::uint32_t code, const void* in, std::uint32_t inSize,
                      std::uint32_t outSize, const void* side, std::uint32_t sideSize) {
    std::lock_guard lock(mutex_);
    auto bytes = static_cast<const std::uint8_t*>(in);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return Fail(ERROR_INVALID_HANDLE);
    std::int32_t board = -1;
    if (inSize >= 4 && TakesBoard(code)) board = static_cast<std::int32_t>(Word(bytes, 0));
    if (inSize >= 8 && IsLintraRequest(code)) board = static_cast<std::int32_t>(Word(bytes, 1));
    advance();
    Reply reply;
    if (!takeFailure(code, board, reply.error))
        reply = dispatch(it->second, code, bytes, inSize, outSize, side, sideSize);
    if (reply.error) reply.out.clear();
    else misreply(code, board, outSize, reply.out);
    record(handle, code, board, bytes, inSize, reply.error);
    return reply;
}

Reply Driver::dispatch(HandleState& h, std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                       std::uint32_t outSize, const void* side, std::uint32_t sideSize) {
    if (h.lintra != IsLintraRequest(code)) return Fail(ERROR_INVALID_FUNCTION);
    if (h.lintra) return sideSize ? Fail(ERROR_INVALID_PARAMETER) : lintraRequest(code, in, inSize, outSize);
    if (!IsStreamRequest(code))
        return sideSize ? Fail(ERROR_INVALID_PARAMETER) : boardRequest(h, code, in, inSize, outSize);
    std::uint32_t wantIn = code == QUORVI_SET_IN_CHANNEL || code == QUORVI_SET_OUT_CHANNEL ? kChannelHalfSize
                           : code == QUORVI_IOSTART || code == QUORVI_IORESET               ? kChannelMasksSize
                           : code == QUORVI_ALLOC_BUFFERS || code == QUORVI_FREE_BUFFERS   ? 4
                                                                                            : 8;
    if (inSize != wantIn) return Fail(ERROR_INVALID_PARAMETER);
    if (code == QUORVI_ALLOC_BUFFERS && outSize < 4) return Fail(ERROR_INSUFFICIENT_BUFFER);
    return streamRequest(h, code, in, side, sideSize);
}

Reply Driver::streamRequest(HandleState& h, std::uint32_t code, const std::uint8_t* in, const void* side,
                            std::uint32_t sideSize) {
    using win::devicepipe::StreamSide;
    bool sided = code == QUORVI_ALLOC_BUFFERS || code == QUORVI_SET_CALLBACK;
    if (sideSize && (!sided || sideSize != sizeof(StreamSide))) return Fail(ERROR_INVALID_PARAMETER);
    StreamSide objects{};
    if (sideSize) std::memcpy(&objects, side, sizeof objects);
    const StreamSide* given = sideSize ? &objects : nullptr;
    std::uint32_t masks[8];
    if (code == QUORVI_IOSTART || code == QUORVI_IORESET)
        for (int w = 0; w < 8; ++w) masks[w] = Word(in, w);
    Stream& s = *h.stream;
    switch (code) {
    case QUORVI_ALLOC_BUFFERS: {
        std::uint32_t address = 0;
        if (std::uint32_t e = s.allocate(Word(in, 0), given, address)) return Fail(e);
        Bytes out(4);
        PutWord(out, 0, address);
        return Reply{0, out};
    }
    case QUORVI_FREE_BUFFERS: return Result(s.free(Word(in, 0)));
    case QUORVI_SET_IN_CHANNEL: return Result(s.setChannel(true, in, config_.boards, h.channels));
    case QUORVI_SET_OUT_CHANNEL: return Result(s.setChannel(false, in, config_.boards, h.channels));
    case QUORVI_IOSTART: return Result(s.start(masks, config_.boards, h.channels, clock_.nowMicros()));
    case QUORVI_IORESET:
        s.reset(masks);
        return Reply{};
    case QUORVI_SET_CALLBACK: return Result(s.setCallback(Word(in, 0), Word(in, 1), given));
    default: {
        Reply r;
        r.error = s.clearCallback(Word(in, 0), Word(in, 1), r.waiters);
        return r;
    }
    }
}

Reply Driver::boardRequest(HandleState& h, std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                           std::uint32_t outSize) {
    // Every board request: the exact input size, an output at least as large
    // as the reply, and a board that exists.
    auto shape = [&](std::uint32_t wantIn, std::uint32_t wantOut, bool hasBoard) -> std::uint32_t {
        if (inSize != wantIn) return ERROR_INVALID_PARAMETER;
        if (outSize < wantOut) return ERROR_INSUFFICIENT_BUFFER;
        if (hasBoard && Word(in, 0) >= config_.boards) return config_.missingBoardError;
        return 0;
    };
    std::uint32_t e = 0;
    std::uint32_t b = inSize >= 4 ? Word(in, 0) : 0;
    switch (code) {
    case QUORVI_GET_BOARD_INFO:
        if ((e = shape(4, kBoardInfoSize, true))) return Fail(e);
        return Reply{0, boardInfo(b)};
    case QUORVI_GET_STATUS:
        if ((e = shape(4, kStatusBlockSize, true))) return Fail(e);
        return Reply{0, statusBlock(b)};
    case QUORVI_SET_PARAM:
        if ((e = shape(4 + kParameterBlockSize, 0, true))) return Fail(e);
        // Words 67-68 are the driver's; what the caller sends there is ignored.
        std::memcpy(boards_[b].params, in + 4, 67 * 4);
        return Reply{};
    case QUORVI_HC_GET_PARAMS: {
        if ((e = shape(4, kParameterBlockSize, true))) return Fail(e);
        Bytes out(kParameterBlockSize);
        std::memcpy(out.data(), boards_[b].params, out.size());
        return Reply{0, out};
    }
    case QUORVI_GET_STATUS_FLAGS:
        if (inSize != 0 && (inSize != 4 || Word(in, 0) != 0)) return Fail(ERROR_INVALID_PARAMETER);
        if (outSize < kStatusFlagsPerBoard * config_.boards) return Fail(ERROR_INSUFFICIENT_BUFFER);
        return Reply{0, statusFlags()};
    case QUORVI_HC_REPROG_FPGA:
        if ((e = shape(8, 0, true))) return Fail(e);
        if (Word(in, 1) > 7) return Fail(ERROR_INVALID_PARAMETER);
        boards_[b].fpgaProgram = Word(in, 1);
        boards_[b].identifyStart = clock_.nowMicros();
        return Reply{};
    case QUORVI_SET_STATUS_MASKS:
        if ((e = shape(kSetStatusMasksSize, 0, true))) return Fail(e);
        // The enable value only reaches the log: what the board does with it
        // is its own affair.
        return Word(in, 2) != 0 ? Fail(ERROR_INVALID_PARAMETER) : Reply{};
    case QUORVI_SET_PUNCH:
        if ((e = shape(8, 0, false))) return Fail(e);
        if (Word(in, 1) != 0) return Fail(ERROR_INVALID_PARAMETER);
        // The tray disarms with the position just before zero; taken as a
        // position, it would hit as time code runs up from a pre-roll.
        punchArmed_ = Word(in, 0) != timecodeZero() - 1;
        punchHit_ = false;
        punchPosition_ = Word(in, 0);
        return Reply{};
    case QUORVI_GET_PUNCH: {
        if ((e = shape(0, 8, false))) return Fail(e);
        Bytes out(8);
        PutWord(out, 0, punchPosition_);
        PutWord(out, kPunchHitWord, punchHit_ ? kPunchHit : 0);
        punchHit_ = false;  // reported once
        return Reply{0, out};
    }
    case QUORVI_SET_SYS_SETUP:
        if ((e = shape(kSysSetupSize, 0, false))) return Fail(e);
        std::memcpy(sysSetup_, in, kSysSetupSize);
        return Reply{};
    case QUORVI_GET_SYS_SETUP:
        if ((e = shape(0, kSysSetupSize, false))) return Fail(e);
        return Reply{0, Bytes(sysSetup_, sysSetup_ + kSysSetupSize)};
    case QUORVI_SYS_UPDATE:
        if ((e = shape(kDeviceBlockSize, 0, false))) return Fail(e);
        if (static_cast<std::int32_t>(Word(in, 0)) != kRecordVersion) return Fail(ERROR_INVALID_PARAMETER);
        applyDeviceBlock(in);
        return Reply{};
    case QUORVI_HC_SEND_FPGABYTE:
        if ((e = shape(8, 0, true))) return Fail(e);
        if (Word(in, 1) > 0xFFFF) return Fail(ERROR_INVALID_PARAMETER);
        return Reply{};
    case QUORVI_HC_GET_FPGABYTE: {
        if ((e = shape(8, 4, true))) return Fail(e);
        if (Word(in, 1) != 0) return Fail(ERROR_INVALID_PARAMETER);
        Bytes out(4);
        PutWord(out, 0, fpgaByte(b));
        return Reply{0, out};
    }
    case STOP_SERIAL:
        if ((e = shape(4, 0, true))) return Fail(e);
        boards_[b].serialStopped = true;
        return Reply{};
    case QUORVI_ACQUIRE_CHANNELS:
        if ((e = shape(kChannelMasksSize, 0, false))) return Fail(e);
        return acquire(h, in);
    case QUORVI_RELEASE_CHANNELS:
        if ((e = shape(kChannelMasksSize, 0, false))) return Fail(e);
        return release(h, in);
    default:
        return Fail(ERROR_INVALID_FUNCTION);
    }
}

Reply Driver::lintraRequest(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                            std::uint32_t outSize) {
    std::uint32_t board = kMaxLintra;
    auto device = [&](std::uint32_t wantIn, std::uint32_t wantOut) -> std::uint32_t {
        if (inSize != wantIn) return ERROR_INVALID_PARAMETER;
        if (outSize < wantOut) return ERROR_INSUFFICIENT_BUFFER;
        board = LintraPosition(Word(in, 1), config_.lintraBoards);
        return board < kMaxLintra ? 0 : ERROR_DEV_NOT_EXIST;
    };
    std::uint32_t e = 0;
    switch (code) {
    case ICEAPI_ENUM_DEVICES: {
        if (outSize < kIceEnumSize) return Fail(ERROR_INSUFFICIENT_BUFFER);
        Bytes out(kIceEnumSize);
        std::uint32_t count = std::min<std::uint32_t>(config_.lintraBoards, kMaxLintra);
        PutWord(out, 0, count);
        for (std::uint32_t i = 0; i < count; ++i) PutWord(out, 1 + i, LintraId(i));
        return Reply{0, out};
    }
    case ICEAPI_SET_RATE:
        if ((e = device(kIceSetRateSize, 0))) return Fail(e);
        // Word 0 repeats the code, word 3 is the rate, the others are zero.
        if (Word(in, 0) != ICEAPI_SET_RATE || !IsStandardRate(Word(in, 3)) || Word(in, 2) || Word(in, 4) ||
            Word(in, 5))
            return Fail(ERROR_INVALID_PARAMETER);
        lintra_[board].rate = Word(in, 3);
        return Reply{};
    case ICEAPI_CUSTOM: {
        if ((e = device(kIceCustomSize, 0))) return Fail(e);
        const LintraConfig& l = config_.lintra[board];
        if (Word(in, 0) == CUST_GET_I2C_SPACE) {
            if (outSize < sizeof l.i2cSpace) return Fail(ERROR_INSUFFICIENT_BUFFER);
            return Reply{0, Bytes(std::begin(l.i2cSpace), std::end(l.i2cSpace))};
        }
        if (Word(in, 0) == CUST_GET_MIC_GAINS) {
            if (outSize < sizeof l.micGains) return Fail(ERROR_INSUFFICIENT_BUFFER);
            return Reply{0, Bytes(std::begin(l.micGains), std::end(l.micGains))};
        }
        return Fail(ERROR_NOT_SUPPORTED);
    }
    case ICEAPI_GETDEVICEINFO: {
        if ((e = device(kIceDeviceInfoInSize, kIceDeviceInfoSize))) return Fail(e);
        Bytes out(kIceDeviceInfoSize);
        PutWord(out, 0, LintraId(board));
        PutWord(out, 1, lintra_[board].rate);
        std::snprintf(reinterpret_cast<char*>(out.data() + 8), 64, "Virtual Lintra board %u", board + 1);
        return Reply{0, out};
    }
    default:
        return Fail(ERROR_INVALID_FUNCTION);
    }
}

Reply Driver::acquire(HandleState& h, const std::uint8_t* in) {
    std::uint32_t want[8];
    for (int w = 0; w < 8; ++w) want[w] = Word(in, w) & ChannelBits(w, config_.boards);
    for (auto& [id, other] : handles_) {
        if (&other == &h) continue;
        for (int w = 0; w < 8; ++w)
            if (other.channels[w] & want[w]) return Fail(ERROR_BUSY);
    }
    for (int w = 0; w < 8; ++w) h.channels[w] |= want[w];
    return Reply{};
}

Reply Driver::release(HandleState& h, const std::uint8_t* in) {
    for (int w = 0; w < 8; ++w) h.channels[w] &= ~Word(in, w);
    return Reply{};
}

Driver::Bytes Driver::boardInfo(std::uint32_t b) const {
    BoardInfoReply info{};
    info.kind = config_.board[b].kind;
    info.capability = config_.board[b].capability;
    Bytes out(sizeof info);
    std::memcpy(out.data(), &info, sizeof info);
    return out;
}

Driver::Bytes Driver::statusBlock(std::uint32_t b) {
    BoardState& s = boards_[b];
    const BoardConfig& c = config_.board[b];
    double rate = sampleRate(b);
    if (rate > 0) s.lastCounter = c.tickConstant / 32.0 * 44100.0 / rate * (1.0 + c.crystalError);
    // The counter is a whole number; carrying the fraction over makes the sum
    // of many readings exact, as with a real counter.
    // A very slow clock (a huge varispeed divider) saturates the counter.
    double exact = std::min(s.lastCounter + s.counterResidue, 4294967295.0);
    auto counter = static_cast<std::uint32_t>(std::floor(exact));
    s.counterResidue = exact - counter;

    Bytes out(kStatusBlockSize);
    PutWord(out, 4, counter);
    PutWord(out, 6, timecode_ & 0xFFFFFF);
    PutWord(out, 7, timecode_ >> 24);
    std::uint32_t meters[kMeters];
    for (int m = 0; m < kMeters; ++m) meters[m] = meterLevel(c.signals[m]);
    // A channel that streams shows the peak of its last block instead.
    for (const auto& [id, h] : handles_)
        for (int word : {static_cast<int>(b), static_cast<int>(4 + b)})
            for (std::uint32_t bit = 0; bit < 18; ++bit) {
                std::uint32_t level = 0;
                int m = MeterIndex(device_.boards[b].format, word < 4, bit);
                if (m >= 0 && h.stream->peak(word, bit, level)) meters[m] = level;
            }
    for (int m = 0; m < kMeters; ++m) PutWord(out, 10 + m, meters[m]);
    return out;
}

Driver::Bytes Driver::statusFlags() {
    Bytes out(kStatusFlagsPerBoard * config_.boards);
    for (std::uint32_t b = 0; b < config_.boards; ++b) {
        BoardState& s = boards_[b];
        std::uint32_t word0 = s.statusWords[0] | s.onceWords[0] | (sampleRate(b) > 0 ? 0 : kNoMasterClock);
        std::uint32_t word1 = s.statusWords[1] | s.onceWords[1] | (timecodeOn() && !timecodeRunning_ ? kTimecodePaused : 0);
        PutWord(out, 2 * b, word0);
        PutWord(out, 2 * b + 1, word1);
        s.onceWords[0] = s.onceWords[1] = 0;
    }
    return out;
}

// During identification each optical output flashes (A twice as fast as B);
// a looped input sees its flashes, an unlooped one reads set throughout. The
// flashes follow time from the start of the program, so that other programs
// polling the board cannot move them. Otherwise the bits say whether a
// signal arrives, none while the optical ports are stopped.
std::uint32_t Driver::fpgaByte(std::uint32_t b) {
    BoardState& s = boards_[b];
    const BoardConfig& c = config_.board[b];
    if (s.fpgaProgram != kReprogFpgaMode) {
        if (s.serialStopped) return 0;
        return (c.externalRate[InputA] > 0 ? kFpgaSignalA : 0) | (c.externalRate[InputB] > 0 ? kFpgaSignalB : 0);
    }
    std::uint64_t t = clock_.nowMicros() - s.identifyStart;
    auto lit = [&](std::uint64_t period) {
        std::uint64_t at = period - (kFlashPeriodA - kFlashAt);
        return t % period >= at && t % period < at + kFlashMicros;
    };
    bool a = c.loopA ? lit(kFlashPeriodA) : true;
    bool bb = c.loopB ? lit(kFlashPeriodB) : true;
    return (a ? kFpgaSignalA : 0) | (bb ? kFpgaSignalB : 0);
}

void Driver::applyDeviceBlock(const std::uint8_t* in) {
    std::memcpy(&device_, in, sizeof device_);
    // A device update restores the normal FPGA program and the optical ports.
    for (auto& s : boards_) {
        s.fpgaProgram = 0;
        s.serialStopped = false;
    }
}

double Driver::sampleRate(std::uint32_t b) const {
    const BoardDeviceBlock& d = device_.boards[b];
    const BoardConfig& c = config_.board[b];
    if (d.format >= kFormats) return 0;
    switch (d.mainClock[d.format] & 0x0F) {
    case 0: return c.externalRate[InputA];
    case 1: return c.externalRate[InputB];
    case 2: return c.externalRate[WordClock];
    case 3: return 44100.0;
    case 4: return 48000.0;
    case 5: {
        std::int32_t v = d.varispeed[d.format];
        return v < 0 ? 0 : 44100.0 * c.tickConstant / (64.0 * (v + 0.5));
    }
    default: return 0;
    }
}

std::uint32_t Driver::meterLevel(const Signal& s) const {
    std::uint32_t level = std::min(s.level, kFullScale);
    switch (s.kind) {
    case SignalKind::Silence: return 0;
    case SignalKind::Steady: return level;
    case SignalKind::Clip: return kFullScale;
    case SignalKind::Decaying: {
        std::uint64_t period = std::max<std::uint32_t>(s.periodMs, 8) * 1000ull;
        double phase = static_cast<double>(clock_.nowMicros() % period) / period;
        return static_cast<std::uint32_t>(level * std::exp2(-8.0 * phase));
    }
    }
    return 0;
}

std::uint32_t Driver::timecodeRate() const { return (device_.mtcSettings & 0x8) ? 48000 : 44100; }

std::uint32_t Driver::timecodeZero() const { return timecodeRate() * kTimecodeZeroSeconds; }

bool Driver::timecodeOn() const {
    std::uint32_t word;
    std::memcpy(&word, sysSetup_ + 4 * kSysSetupTimeCodeWord, 4);
    return (word & kSysSetupTimeCodeBits) != 0;
}

// Brings the running timecode up to now and fires an armed punch once the
// position passes it.
void Driver::advance() {
    std::uint64_t now = clock_.nowMicros();
    std::uint64_t elapsed = now - lastAdvance_;
    lastAdvance_ = now;
    if (!timecodeRunning_) return;
    double samples = elapsed * (timecodeRate() / 1e6) + timecodeFraction_;
    auto whole = static_cast<std::uint64_t>(samples);
    timecodeFraction_ = samples - static_cast<double>(whole);
    // The position is 32 bits and wraps like the board's; the punch compares
    // the distance run, so a wrap between two requests does not hide it.
    std::uint32_t before = timecode_;
    timecode_ = static_cast<std::uint32_t>(before + whole);
    if (punchArmed_ && before < punchPosition_ && punchPosition_ - before <= whole) {
        punchArmed_ = false;
        punchHit_ = true;
    }
}

bool Driver::takeFailure(std::uint32_t code, std::int32_t board, std::uint32_t& error) {
    for (auto it = failures_.begin(); it != failures_.end(); ++it) {
        if (it->code != code || (it->board >= 0 && it->board != board)) continue;
        error = it->error;
        if (it->times > 0 && --it->times == 0) failures_.erase(it);
        return true;
    }
    return false;
}

void Driver::misreply(std::uint32_t code, std::int32_t board, std::uint32_t outSize, Bytes& out) {
    for (auto it = misreplies_.begin(); it != misreplies_.end(); ++it) {
        if (it->code != code || (it->board >= 0 && it->board != board)) continue;
        switch (it->how) {
        case Misreply::Short: out.resize(std::min<std::size_t>(out.size(), it->count)); break;
        case Misreply::Long: out.resize(outSize + 4, 0xA5); break;
        case Misreply::Noise:
            // As many bytes as the caller made room for, whatever the request
            // answers normally; each reply draws on from the last.
            out.resize(outSize);
            for (std::uint8_t& byte : out) {
                it->count = it->count * 1664525u + 1013904223u;
                byte = static_cast<std::uint8_t>(it->count >> 24);
            }
            break;
        }
        if (it->times > 0 && --it->times == 0) misreplies_.erase(it);
        return;
    }
}

void Driver::record(std::uint32_t handle, std::uint32_t code, std::int32_t board, const std::uint8_t* in,
                    std::uint32_t inSize, std::uint32_t error) {
    if (log_.size() >= kMaxLog) log_.pop_front();
    log_.push_back(LogEntry{++logSequence_, handle, code, board, Bytes(in, in + std::min(inSize, kMaxLoggedInput)), error,
                            clock_.nowMicros()});
}

void Driver::reset(const DriverConfig& config) {
    std::lock_guard lock(mutex_);
    config_ = Clamped(config);
    powerOn();
    failures_.clear();
    misreplies_.clear();
    log_.clear();
    opens_.clear();
    logSequence_ = 0;
}

void Driver::configure(const std::function<void(DriverConfig&)>& change) {
    std::lock_guard lock(mutex_);
    advance();
    change(config_);
    config_ = Clamped(config_);
}

void Driver::setTimecodeOn(bool on) {
    std::lock_guard lock(mutex_);
    setTimecodeBits(on);
}

void Driver::setTimecodeBits(bool on) {
    std::uint32_t word;
    std::memcpy(&word, sysSetup_ + 4 * kSysSetupTimeCodeWord, 4);
    word = on ? word | 0x1 : word & ~kSysSetupTimeCodeBits;
    std::memcpy(sysSetup_ + 4 * kSysSetupTimeCodeWord, &word, 4);
}

DriverConfig Driver::config() const {
    std::lock_guard lock(mutex_);
    return config_;
}

void Driver::injectFailure(std::uint32_t code, std::int32_t board, std::uint32_t error, int times) {
    std::lock_guard lock(mutex_);
    failures_.push_back(Failure{code, board, error, times});
}

void Driver::injectMisreply(std::uint32_t code, std::int32_t board, Misreply how, std::uint32_t count, int times) {
    std::lock_guard lock(mutex_);
    misreplies_.push_back(MisreplyRule{code, board, how, count, times});
}

void Driver::clearFailures() {
    std::lock_guard lock(mutex_);
    failures_.clear();
    misreplies_.clear();
}

void Driver::setStatusWords(std::uint32_t board, std::uint32_t word0, std::uint32_t word1, bool once) {
    std::lock_guard lock(mutex_);
    if (board >= kMaxBoards) return;
    std::uint32_t* words = once ? boards_[board].onceWords : boards_[board].statusWords;
    words[0] = word0;
    words[1] = word1;
}

void Driver::setTimecode(std::uint32_t position, bool running) {
    std::lock_guard lock(mutex_);
    advance();
    timecode_ = position;
    timecodeFraction_ = 0;
    timecodeRunning_ = running;
}

std::uint32_t Driver::timecodeZeroPosition() const {
    std::lock_guard lock(mutex_);
    return timecodeZero();
}

std::uint32_t Driver::timecode() {
    std::lock_guard lock(mutex_);
    advance();
    return timecode_;
}

void Driver::setPunch(bool armed, std::uint32_t position, bool hit) {
    std::lock_guard lock(mutex_);
    advance();
    punchArmed_ = armed;
    punchPosition_ = position;
    punchHit_ = hit;
}

std::vector<LogEntry> Driver::log() const {
    std::lock_guard lock(mutex_);
    return std::vector<LogEntry>(log_.begin(), log_.end());
}

std::vector<OpenEntry> Driver::opens() const {
    std::lock_guard lock(mutex_);
    return std::vector<OpenEntry>(opens_.begin(), opens_.end());
}

void Driver::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
    opens_.clear();
}

std::string Driver::streamReport() const {
    std::lock_guard lock(mutex_);
    std::string text;
    for (auto& [id, h] : handles_) {
        Stream::Stats s = h.stream->stats();
        if (!h.stream->running() && s.blocks == 0 && s.delivered == 0) continue;
        char line[128];
        std::snprintf(line, sizeof line, "stream %u blocks %llu wakes %u merged %u\n", id,
                      static_cast<unsigned long long>(s.blocks), s.delivered, s.merged);
        text += line;
    }
    return text;
}

std::uint32_t Driver::openHandles() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::uint32_t>(handles_.size());
}

}  // namespace vboard
