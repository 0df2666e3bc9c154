#pragma once
// Streaming state of one driver handle: the shared double buffers mapped
// from the caller's process, the channel halves registered in them, the
// transfer with its block boundaries, outputs looped back to inputs, the
// peak of every streamed channel, and the wake-ups of the registered
// callbacks.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "win/Device.h"

namespace vboard {

class Stream {
public:
    Stream() = default;
    ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Each returns 0 or the Win32 error code of a refusal; a refusal changes
    // nothing.
    std::uint32_t allocate(std::uint32_t pages, const win::devicepipe::StreamSide* side, std::uint32_t& address);
    std::uint32_t free(std::uint32_t address);
    std::uint32_t setChannel(bool input, const std::uint8_t* request, std::uint32_t boards,
                             const std::uint32_t held[8]);
    std::uint32_t start(const std::uint32_t masks[8], std::uint32_t boards, const std::uint32_t held[8],
                        std::uint64_t nowMicros);
    void reset(const std::uint32_t masks[8]);
    std::uint32_t setCallback(std::uint32_t routine, std::uint32_t filter, const win::devicepipe::StreamSide* side);
    // Ends the callback's waiter and hands over its thread, which the caller
    // waits for (without holding up other clients) before answering.
    std::uint32_t clearCallback(std::uint32_t routine, std::uint32_t filter, std::vector<HANDLE>& waiters);
    // The same for every callback, when the handle closes.
    void clearCallbacks(std::vector<HANDLE>& waiters);

    bool running() const { return running_; }
    // Board whose clock paces the transfer.
    std::uint32_t board() const { return active_.empty() ? 0 : active_.front().board; }
    // When the next block is due, in microseconds of the clock.
    std::uint64_t nextBoundary() const;
    // The clocks as they stand at a pump, and the test signal of each
    // input (a magnitude, 0 = silence) for inputs that nothing loops to.
    struct Now {
        std::uint64_t micros;
        std::uint32_t ms;        // multimedia timer
        std::uint32_t timecode;  // position in samples
        bool timecodeRunning;
        std::uint32_t timecodeRate;
        std::uint32_t inputSignal[4][16];
    };
    // Every block boundary up to now. `rate` 0 = no clock: nothing moves.
    void pump(const Now& now, double rate);
    // The peak magnitude (24 bits, full scale 0x800000) of the last block of
    // a channel this stream carries; false for a channel it does not carry.
    // `word` and `bit` as in a channel mask set.
    bool peak(int word, std::uint32_t bit, std::uint32_t& level) const;
    // Blocks transferred since the start, wake-ups queued to the caller and
    // blocks whose wake-up merged into a later one, over all callbacks.
    struct Stats {
        std::uint64_t blocks;
        std::uint32_t delivered;
        std::uint32_t merged;
    };
    Stats stats() const;

private:
    struct Half {
        bool input;
        std::uint32_t board, bit;
        std::uint32_t recordWord;  // offsets in the block
        std::uint32_t buffer;
        std::uint32_t bytes;
        bool status;
    };
    struct Channel {
        bool input;
        std::uint32_t board, bit;
        std::uint32_t record;
        std::uint32_t buffer[2];
        bool status;
        int source = -1;                 // an input's looped output, in active_
        std::vector<std::uint8_t> held;  // a looped output's half as the board plays it
        std::uint32_t peak = 0;
    };
    struct Callback {
        std::uint32_t routine;
        HANDLE event;
        HANDLE section;
        win::devicepipe::WakeRecord* record;
        HANDLE waiter;
        // The record's counts when the stream last started: a callback
        // outlives a stream, the figures are the stream's.
        std::uint32_t deliveredAtStart;
        std::uint32_t mergedAtStart;
    };

    bool inBlock(std::uint32_t address, std::uint32_t bytes, std::uint32_t& offset) const;
    std::uint32_t word(std::uint32_t offset) const;
    void putWord(std::uint32_t offset, std::uint32_t value);
    double boundary(std::uint64_t block) const;
    void take(int half);
    void record(int half, const Now& now);
    void stamp(int half, const Now& now);
    static HANDLE StopWaiter(Callback& c);

    HANDLE section_ = nullptr;
    std::uint8_t* view_ = nullptr;
    std::uint32_t clientBase_ = 0;
    std::uint32_t size_ = 0;
    std::vector<Half> halves_;
    std::vector<Channel> active_;
    std::vector<Callback> callbacks_;
    bool running_ = false;
    std::uint32_t halfBytes_ = 0;     // as registered
    std::uint32_t blockSamples_ = 0;  // transferred per half: a multiple of 64
    std::uint64_t blocks_ = 0;
    // Boundaries are counted from the last change of clock, so that rounding
    // never adds up: block k of that clock ends at epoch + k blocks.
    double rate_ = 0;  // 0 = no clock so far
    double epoch_ = 0;  // microseconds
    std::uint64_t epochBlocks_ = 0;
    double lastBoundary_ = 0;
};

// Channel bits of word `word` of a mask set that are real: inputs 0-15
// (words 0-3), outputs 0-17 (words 4-7) of boards that exist.
std::uint32_t ChannelBits(int word, std::uint32_t boards);

// Waits for the waiter threads handed over by clearCallback(s) and closes
// them.
void WaitForWaiters(std::vector<HANDLE>& waiters);

}  // namespace vboard
