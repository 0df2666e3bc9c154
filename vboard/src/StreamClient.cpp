#include "vboard/StreamClient.h"

#include <cstring>

namespace vboard {

using namespace quorvi;

namespace {

std::uint32_t Address(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

StreamClient::StreamClient() : device_(kDeviceNameAsio, 0, 0, 0, FILE_FLAG_DELETE_ON_CLOSE) {}

bool StreamClient::lay(const std::vector<StreamChannel>& channels, std::uint32_t samples) {
    channels_ = channels;
    samples_ = samples;
    std::memset(masks_, 0, sizeof masks_);
    records_.assign(channels.size(), 0);
    std::size_t inputs = 0, in = 0, out = 0;
    for (const StreamChannel& c : channels) {
        masks_[(c.input ? 0 : 4) + c.board] |= 1u << c.bit;
        inputs += c.input;
    }
    for (std::size_t i = 0; i < channels.size(); ++i) records_[i] = channels[i].input ? in++ : inputs + out++;
    std::size_t statusRecord = out ? inputs : 0;
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (records_[i] == statusRecord) status_ = i;

    pages_ = static_cast<std::uint32_t>(((halfBytes() + 34) * channels.size() * 2) / 4096 + 2);
    std::uint32_t address = 0;
    if (!device_.control(QUORVI_ACQUIRE_CHANNELS, masks_, sizeof masks_, nullptr, 0) ||
        !device_.control(QUORVI_ALLOC_BUFFERS, &pages_, 4, &address, 4))
        return false;
    block_ = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
    std::memset(block_, 0x41, pages_ * 4096);
    for (std::size_t i = 0; i < channels.size(); ++i) {
        ChannelRecord& r = record(i);
        r.channel = static_cast<std::uint32_t>(i);
        r.half0 = Address(half(i, 0));
        r.bytes0 = halfBytes();
        r.half1 = Address(half(i, 1));
        r.bytes1 = halfBytes();
    }
    return true;
}

ChannelRecord& StreamClient::record(std::size_t channel) const {
    return reinterpret_cast<ChannelRecord*>(block_)[records_[channel]];
}

ChannelRecord& StreamClient::statusRecord() const { return record(status_); }

std::int32_t* StreamClient::half(std::size_t channel, int h) const {
    std::uint8_t* area = block_ + channels_.size() * sizeof(ChannelRecord);
    return reinterpret_cast<std::int32_t*>(area + (2 * channel + h) * halfBytes());
}

BOOL StreamClient::registerHalf(std::size_t channel, int h, std::uint32_t flags) {
    const StreamChannel& c = channels_[channel];
    ChannelRecord& r = record(channel);
    ChannelHalfRequest request{static_cast<std::uint8_t>(c.board), static_cast<std::uint8_t>(c.bit), 4, 5,
                               Address(h ? &r.half1 : &r.half0), 0xFFFFFFFF, h ? r.half1 : r.half0, flags};
    return device_.control(c.input ? QUORVI_SET_IN_CHANNEL : QUORVI_SET_OUT_CHANNEL, &request, sizeof request,
                           nullptr, 0);
}

bool StreamClient::registerHalves() {
    // Inputs first, then outputs, as the driver sends them.
    for (bool inputs : {true, false})
        for (std::size_t i = 0; i < channels_.size(); ++i)
            for (int h = 0; h < 2; ++h)
                if (channels_[i].input == inputs &&
                    !registerHalf(i, h, i == status_ ? kStatusHalfFlags : kHalfFlags))
                    return false;
    return true;
}

bool StreamClient::setCallback(PAPCFUNC routine) {
    routine_ = Address(reinterpret_cast<void*>(routine));
    std::uint32_t request[2] = {routine_, kCallbackFilter};
    return device_.control(QUORVI_SET_CALLBACK, request, sizeof request, nullptr, 0);
}

bool StreamClient::clearCallback() {
    std::uint32_t request[2] = {routine_, kCallbackFilter};
    return device_.control(QUORVI_CLEAR_CALLBACK, request, sizeof request, nullptr, 0);
}

BOOL StreamClient::start() { return device_.control(QUORVI_IOSTART, masks_, sizeof masks_, nullptr, 0); }

BOOL StreamClient::reset() { return device_.control(QUORVI_IORESET, masks_, sizeof masks_, nullptr, 0); }

}  // namespace vboard
