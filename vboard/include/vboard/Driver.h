#pragma once
// The kernel drivers of the Quorvi and Lintra boards, modelled: per-handle
// state, every request the software issues with the checks a driver makes,
// and the boards behind them. Thread-safe; time comes from a Clock so a test
// can step it by hand.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "quorvi/DriverRequests.h"
#include "quorvi/SettingsRecord.h"
#include "vboard/Clock.h"

namespace vboard {

inline constexpr int kMeters = 34;
inline constexpr int kMaxLintra = 4;
// The Lintra driver names its boards by identifiers of its own, which are
// not their positions in its enumeration.
constexpr std::uint32_t LintraId(std::uint32_t position) { return 0x101 + 0x100 * position; }
// A failure injected with this code hits the opening of a device.
inline constexpr std::uint32_t kOpenRequest = 0;

enum class SignalKind : std::uint32_t { Silence, Steady, Decaying, Clip };

// Test signal on one meter: a steady level, peaks of that level every
// period that halve every eighth of it, or full scale.
struct Signal {
    SignalKind kind = SignalKind::Silence;
    std::uint32_t level = 0;  // 24-bit magnitude, full scale 0x800000
    std::uint32_t periodMs = 1000;
};

enum ExternalInput { InputA = 0, InputB = 1, WordClock = 2 };

struct BoardConfig {
    std::uint32_t kind = 1;
    std::uint32_t capability = 1;  // 0 = an older board
    std::uint32_t tickConstant = 26688;
    double crystalError = 0;         // relative deviation of the board's crystal
    double externalRate[3] = {};     // Hz arriving at A, B, word clock; 0 = no signal
    bool loopA = false, loopB = false;  // optical output looped back to its input
    Signal signals[kMeters];
};

struct LintraConfig {
    std::uint8_t i2cSpace[5] = {0, 0x02, 0x10, 0, 0};
    std::uint8_t micGains[2] = {0x20, 0x20};
};

struct DriverConfig {
    std::uint32_t boards = 1;
    BoardConfig board[quorvi::kMaxBoards];
    std::uint32_t missingBoardError = 0xF00E;  // Windows 9x drivers' answer
    bool lintraDriver = false;
    std::uint32_t lintraBoards = 0;
    LintraConfig lintra[kMaxLintra];
    bool timecodeOn = false;  // system setup word 6 at power-on
};

struct LogEntry {
    std::uint32_t sequence;
    std::uint32_t handle;
    std::uint32_t code;
    std::int32_t board;  // -1 for requests without a board
    std::vector<std::uint8_t> input;
    std::uint32_t error;  // 0 = success
    std::uint64_t timeMicros;
};

// The arguments of an open besides the name, as the caller passed them.
struct OpenArgs {
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    std::uint32_t disposition = 0;
    std::uint32_t flags = 0;
};

// One open of a device. Its sequence number is shared with the request log,
// so opens and requests read in the order they came.
struct OpenEntry {
    std::uint32_t sequence;
    std::uint32_t handle;  // 0 when the open failed
    std::string name;      // as the caller passed it
    OpenArgs args;
    std::uint32_t error;   // 0 = success
};

// How a request that succeeds may still answer badly, as a faulty driver
// would: fewer bytes than asked, more than the caller's buffer holds, or the
// right size filled with arbitrary values.
enum class Misreply : std::uint32_t { Short, Long, Noise };

struct Reply {
    std::uint32_t error = 0;
    std::vector<std::uint8_t> out;
    // Threads in the caller's process that must end before the request
    // counts as done (callback waiters); see Driver::settle.
    std::vector<void*> waiters;
};

class Stream;

class Driver {
public:
    Driver(const Clock& clock, const DriverConfig& config);
    ~Driver();

    // Opens a device by the caller's name; 0 or the Win32 error code. Every
    // open is recorded with its arguments, successful or not.
    std::uint32_t open(const std::string& name, std::uint32_t& handle, const OpenArgs& args = {});
    // Releases everything the handle held. Callback waiters go to `waiters`
    // when given (to be settled), else are waited for here.
    void close(std::uint32_t handle, std::vector<void*>* waiters = nullptr);
    // Waits, outside the driver's lock, for the threads a request or close
    // ended.
    static void settle(std::vector<void*>& waiters);
    // `side` carries the objects of QUORVI_ALLOC_BUFFERS and
    // QUORVI_SET_CALLBACK (win::devicepipe::StreamSide).
    Reply request(std::uint32_t handle, std::uint32_t code, const void* in, std::uint32_t inSize,
                  std::uint32_t outSize, const void* side = nullptr, std::uint32_t sideSize = 0);
    // Streaming: every block boundary up to now, and when the next is due.
    void pump();
    std::uint64_t nextBoundaryMicros() const;

    // Control, never reached by the deliverables.
    void reset(const DriverConfig& config);  // power-on state, empty log, no failures
    void configure(const std::function<void(DriverConfig&)>& change);
    DriverConfig config() const;
    // `times` < 0: until cleared. `board` < 0: any board.
    void injectFailure(std::uint32_t code, std::int32_t board, std::uint32_t error, int times);
    // Successful replies of `code` answered badly; `count` is the byte count
    // of a short reply or the seed of the noise. Cleared with the failures.
    void injectMisreply(std::uint32_t code, std::int32_t board, Misreply how, std::uint32_t count, int times);
    void clearFailures();
    // Status words reported by QUORVI_GET_STATUS_FLAGS; `once` clears them
    // after one read.
    void setStatusWords(std::uint32_t board, std::uint32_t word0, std::uint32_t word1, bool once);
    void setTimecode(std::uint32_t position, bool running);
    // The position that stands for time code zero at the boards' time-code
    // rate R: R x 120.
    std::uint32_t timecodeZeroPosition() const;
    std::uint32_t timecode();
    // Time code on or off in the system setup block (word 6 bits 0-1).
    void setTimecodeOn(bool on);
    void setPunch(bool armed, std::uint32_t position, bool hit);
    std::vector<LogEntry> log() const;
    std::vector<OpenEntry> opens() const;
    void clearLog();  // requests and opens
    std::uint32_t openHandles() const;
    // One line per handle that streams or has callbacks: handle, blocks
    // transferred, wake-ups queued, blocks whose wake-up merged into a later one.
    std::string streamReport() const;

private:
    struct Failure {
        std::uint32_t code;
        std::int32_t board;
        std::uint32_t error;
        int times;
    };
    struct MisreplyRule {
        std::uint32_t code;
        std::int32_t board;
        Misreply how;
        std::uint32_t count;
        int times;
    };
    struct HandleState {
        HandleState();
        ~HandleState();
        HandleState(HandleState&&) noexcept;
        bool lintra = false;
        std::uint32_t channels[8] = {};
        std::unique_ptr<Stream> stream;
    };
    struct BoardState {
        std::uint32_t params[quorvi::kParameterBlockSize / 4] = {};
        std::uint32_t statusWords[2] = {};
        std::uint32_t onceWords[2] = {};
        std::uint32_t fpgaProgram = 0;
        bool serialStopped = false;
        std::uint64_t identifyStart = 0;  // micros
        double lastCounter = 0;  // held while no clock arrives
        double counterResidue = 0;
    };
    struct LintraState {
        std::uint32_t rate = 48000;
    };

    using Bytes = std::vector<std::uint8_t>;

    void powerOn();
    void advance();
    Reply dispatch(HandleState& h, std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                   std::uint32_t outSize, const void* side, std::uint32_t sideSize);
    Reply streamRequest(HandleState& h, std::uint32_t code, const std::uint8_t* in, const void* side,
                        std::uint32_t sideSize);
    Reply boardRequest(HandleState& h, std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                       std::uint32_t outSize);
    Reply lintraRequest(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize, std::uint32_t outSize);
    Reply acquire(HandleState& h, const std::uint8_t* in);
    Reply release(HandleState& h, const std::uint8_t* in);
    bool takeFailure(std::uint32_t code, std::int32_t board, std::uint32_t& error);
    void misreply(std::uint32_t code, std::int32_t board, std::uint32_t outSize, Bytes& out);
    void record(std::uint32_t handle, std::uint32_t code, std::int32_t board, const std::uint8_t* in,
                std::uint32_t inSize, std::uint32_t error);

    Bytes boardInfo(std::uint32_t b) const;
    Bytes statusBlock(std::uint32_t b);
    Bytes statusFlags();
    std::uint32_t fpgaByte(std::uint32_t b);
    void applyDeviceBlock(const std::uint8_t* in);
    double sampleRate(std::uint32_t b) const;  // 0 = no master clock
    std::uint32_t meterLevel(const Signal& s) const;
    std::uint32_t timecodeRate() const;
    std::uint32_t timecodeZero() const;
    bool timecodeOn() const;
    void setTimecodeBits(bool on);

    const Clock& clock_;
    mutable std::mutex mutex_;
    DriverConfig config_;
    std::map<std::uint32_t, HandleState> handles_;
    std::uint32_t nextHandle_ = 1;
    BoardState boards_[quorvi::kMaxBoards];
    LintraState lintra_[kMaxLintra];
    quorvi::DeviceBlock device_{};
    std::uint8_t sysSetup_[quorvi::kSysSetupSize] = {};
    std::uint32_t timecode_ = 0;
    bool timecodeRunning_ = false;
    double timecodeFraction_ = 0;
    std::uint64_t lastAdvance_ = 0;
    bool punchArmed_ = false;
    bool punchHit_ = false;
    std::uint32_t punchPosition_ = 0;
    std::vector<Failure> failures_;
    std::vector<MisreplyRule> misreplies_;
    std::deque<LogEntry> log_;
    std::deque<OpenEntry> opens_;
    std::uint32_t logSequence_ = 0;
};

}  // namespace vboard
