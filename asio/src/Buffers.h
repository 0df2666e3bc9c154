#pragma once
// Buffer sizes and the shared block: the block latency the user chose, the
// buffer sizes hosts may ask for, the checks on a host's buffer requests and
// where each record and half lies in the block the kernel driver maps.
#include <cstdint>

#include "asio/Asio.h"
#include "quorvi/DriverRequests.h"

namespace quorviasio {

inline constexpr long kMinBufferSize = 64;
inline constexpr long kMaxBufferSize = 65536;
inline constexpr long kBufferGranularity = 64;
inline constexpr std::uint32_t kDefaultBlockLatency = 48;
inline constexpr std::uint32_t kMaxBlockLatency = 1024;
inline constexpr std::uint32_t kRecordSize = sizeof(quorvi::ChannelRecord);
inline constexpr std::uint32_t kPageSize = 4096;
inline constexpr std::uint8_t kBlockFill = 0x41;
// 16 inputs and 18 outputs on each of four boards.
inline constexpr long kMaxChannels = 16 * 4 + 18 * 4;

// The stored block latency, in blocks of 64 samples, as the preferred block
// size; `storeDefault` when the stored value was unusable and the default
// must be written back.
struct PreferredBlock {
    long samples;
    bool storeDefault;
};
PreferredBlock PreferredBlockFor(std::uint32_t blockLatency);

// Samples the boards transfer per half for a host's buffer size: whole
// multiples of 64.
inline long BlockSizeFor(long bufferSize) { return bufferSize / kBufferGranularity * kBufferGranularity; }

// coefficient x block + constant, held to what a long can say: the
// coefficients come from the registry.
long LatencySamples(std::uint32_t blocks, long blockSize, std::uint32_t constant);

// What a host asked for in createBuffers, once checked.
struct BufferRequestCounts {
    long inputs = 0;
    long outputs = 0;
};

// ASE_OK, or ASE_InvalidParameter when the array is missing or empty, the
// size is outside 64-65536, or a channel is not offered or asked twice.
ASIOError CheckBufferRequests(const ASIOBufferInfo* infos, long count, long bufferSize, long reservedInputs,
                              long reservedOutputs, BufferRequestCounts& counts);

// Offsets in the shared block: the channel records of the inputs in use,
// then those of the outputs, then each request's two halves in the host's
// order.
class SharedLayout {
public:
    SharedLayout(const BufferRequestCounts& counts, long bufferSize);

    std::uint32_t pages() const { return pages_; }
    std::uint32_t bufferBytes() const { return bufferBytes_; }
    std::uint32_t inputRecord(long i) const { return static_cast<std::uint32_t>(i) * kRecordSize; }
    std::uint32_t outputRecord(long i) const { return inputRecord(inputs_ + i); }
    // The first output record, or the first input record without outputs.
    std::uint32_t statusRecord() const { return outputs_ ? outputRecord(0) : inputRecord(0); }
    // The halves of every request, one after the other.
    std::uint32_t sampleArea() const { return sampleArea_; }
    std::uint32_t sampleBytes() const { return 2 * static_cast<std::uint32_t>(inputs_ + outputs_) * bufferBytes_; }
    std::uint32_t half(long request, int h) const {
        return sampleArea_ + (2 * static_cast<std::uint32_t>(request) + static_cast<std::uint32_t>(h)) * bufferBytes_;
    }

private:
    long inputs_, outputs_;
    std::uint32_t bufferBytes_;
    std::uint32_t sampleArea_;
    std::uint32_t pages_;
};

}  // namespace quorviasio
