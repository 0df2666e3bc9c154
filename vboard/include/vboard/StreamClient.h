#pragma once
// A streaming client of the boards for tests, benchmarks and helper hosts,
// laid out as the ASIO driver lays out its shared block: one channel record
// per channel (inputs, then outputs, each in the caller's order), then both
// halves of every channel in the caller's order; the status record is the
// first output record, or the first input record without outputs.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "quorvi/DriverRequests.h"
#include "win/Device.h"

namespace vboard {

struct StreamChannel {
    bool input;
    std::uint32_t board;
    std::uint32_t bit;
};

class StreamClient {
public:
    // Opens the ASIO driver's device as the ASIO driver does.
    StreamClient();
    bool valid() const { return device_.valid(); }
    win::Device& device() { return device_; }

    // Acquires the channels, allocates the block for halves of `samples`
    // samples (any count, as a host asks), fills it with 0x41 and lays out
    // the records. False, with the last error, when a request fails.
    bool lay(const std::vector<StreamChannel>& channels, std::uint32_t samples);
    // One half of one channel, or all of them with their proper flags.
    BOOL registerHalf(std::size_t channel, int half, std::uint32_t flags);
    bool registerHalves();
    bool setCallback(PAPCFUNC routine);
    bool clearCallback();
    BOOL start();
    BOOL reset();

    std::uint8_t* block() const { return block_; }
    std::uint32_t pages() const { return pages_; }
    std::uint32_t halfBytes() const { return samples_ * 4; }
    quorvi::ChannelRecord& record(std::size_t channel) const;
    quorvi::ChannelRecord& statusRecord() const;
    std::int32_t* half(std::size_t channel, int h) const;
    const std::uint32_t* masks() const { return masks_; }

private:
    win::Device device_;
    std::vector<StreamChannel> channels_;
    std::vector<std::size_t> records_;  // record index of each channel
    std::size_t status_ = 0;            // channel of the status record
    std::uint32_t masks_[8] = {};
    std::uint32_t samples_ = 0;
    std::uint32_t pages_ = 0;
    std::uint8_t* block_ = nullptr;
    std::uint32_t routine_ = 0;
};

}  // namespace vboard
