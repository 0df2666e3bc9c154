#include "Buffers.h"

#include <bitset>
#include <climits>

namespace quorviasio {

PreferredBlock PreferredBlockFor(std::uint32_t blockLatency) {
    if (blockLatency >= 1 && blockLatency <= kMaxBlockLatency)
        return {static_cast<long>(blockLatency) * kBufferGranularity, false};
    return {static_cast<long>(kDefaultBlockLatency) * kBufferGranularity, true};
}

long LatencySamples(std::uint32_t blocks, long blockSize, std::uint32_t constant) {
    const unsigned long long samples =
        static_cast<unsigned long long>(blocks) * static_cast<unsigned long long>(blockSize) + constant;
    return samples > LONG_MAX ? LONG_MAX : static_cast<long>(samples);
}

ASIOError CheckBufferRequests(const ASIOBufferInfo* infos, long count, long bufferSize, long reservedInputs,
                              long reservedOutputs, BufferRequestCounts& counts) {
    counts = {};
    if (!infos || count <= 0 || bufferSize < kMinBufferSize || bufferSize > kMaxBufferSize)
        return ASE_InvalidParameter;
    // At most 64 inputs and 72 outputs exist, so a set per direction is
    // enough to see a channel asked twice.
    std::bitset<128> seen[2];
    for (long i = 0; i < count; ++i) {
        const bool input = infos[i].isInput != ASIOFalse;
        const long channel = infos[i].channelNum;
        if (channel < 0 || channel >= (input ? reservedInputs : reservedOutputs) || channel >= 128 ||
            seen[input].test(static_cast<std::size_t>(channel)))
            return ASE_InvalidParameter;
        seen[input].set(static_cast<std::size_t>(channel));
        ++(input ? counts.inputs : counts.outputs);
    }
    return ASE_OK;
}

SharedLayout::SharedLayout(const BufferRequestCounts& counts, long bufferSize)
    : inputs_(counts.inputs),
      outputs_(counts.outputs),
      bufferBytes_(4 * static_cast<std::uint32_t>(bufferSize)),
      sampleArea_(static_cast<std::uint32_t>(counts.inputs + counts.outputs) * kRecordSize),
      pages_((bufferBytes_ + kRecordSize / 2) * static_cast<std::uint32_t>(counts.inputs + counts.outputs) * 2 /
                 kPageSize +
             2) {}

}  // namespace quorviasio
