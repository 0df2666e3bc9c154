#include "asiohost/Loopback.h"

namespace asiohost {

namespace {

// High byte: a marker bit the driver's fill (0x41) and silence lack, and the
// output channel; low 24 bits: the sample's index in the stream.
constexpr std::uint32_t kMarker = 0x80;
constexpr std::uint32_t kIndexMask = 0xFFFFFF;

}  // namespace

Loopback::Loopback(const std::vector<ASIOBufferInfo>& buffers, long bufferSize) : size_(bufferSize) {
    for (const ASIOBufferInfo& b : buffers) {
        Buffer buffer{b.channelNum, {static_cast<std::int32_t*>(b.buffers[0]), static_cast<std::int32_t*>(b.buffers[1])}};
        (b.isInput ? inputs_ : outputs_).push_back(buffer);
    }
}

std::int32_t Loopback::Pattern(long channel, std::uint64_t index) {
    const std::uint32_t high = kMarker | static_cast<std::uint32_t>(channel + 1);
    return static_cast<std::int32_t>(high << 24 | (static_cast<std::uint32_t>(index) & kIndexMask));
}

bool Loopback::Decode(std::int32_t sample, long& channel, std::uint32_t& index) {
    const auto word = static_cast<std::uint32_t>(sample);
    const std::uint32_t high = word >> 24;
    if (!(high & kMarker) || (high & ~kMarker) == 0) return false;
    channel = static_cast<long>(high & ~kMarker) - 1;
    index = word & kIndexMask;
    return true;
}

void Loopback::pair(long input, long output) { pairs_[input] = output; }

void Loopback::trace(long output, long input, std::size_t samples) {
    traceOutput_ = output;
    traceInput_ = input;
    traceLength_ = samples;
    sent_.reserve(samples);
    received_.reserve(samples);
}

void Loopback::process(long half) {
    const std::uint64_t first = switches_++ * static_cast<std::uint64_t>(size_);
    const int h = half ? 1 : 0;
    for (const Buffer& in : inputs_) {
        auto paired = pairs_.find(in.channel);
        const bool traced = in.channel == traceInput_;
        for (long i = 0; i < size_; ++i) {
            long from;
            std::uint32_t index;
            const bool ok = Decode(in.halves[h][i], from, index);
            if (traced && received_.size() < traceLength_) received_.push_back(ok ? std::int64_t{index} : -1);
            if (!ok) {
                ++unpatterned_;
                continue;
            }
            ++patterned_;
            if (paired != pairs_.end() && paired->second != from) ++misrouted_;
            ++delays_[(static_cast<std::uint32_t>(first + i) - index) & kIndexMask];
        }
    }
    for (const Buffer& out : outputs_) {
        const bool traced = out.channel == traceOutput_;
        for (long i = 0; i < size_; ++i) {
            out.halves[h][i] = Pattern(out.channel, first + i);
            if (traced && sent_.size() < traceLength_) sent_.push_back(static_cast<std::int64_t>((first + i) & kIndexMask));
        }
    }
}

}  // namespace asiohost
