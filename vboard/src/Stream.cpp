#include "Stream.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>

#include "quorvi/DriverRequests.h"

namespace vboard {

using win::devicepipe::StreamSide;
using win::devicepipe::WakeRecord;

namespace {

using namespace quorvi;

constexpr std::uint32_t kHalf0 = offsetof(ChannelRecord, half0), kHalf1 = offsetof(ChannelRecord, half1);
constexpr std::uint32_t kBytesAfterAddress = offsetof(ChannelRecord, bytes0) - offsetof(ChannelRecord, half0);
static_assert(offsetof(ChannelRecord, bytes1) - offsetof(ChannelRecord, half1) == kBytesAfterAddress);
constexpr std::uint32_t kMaxCallbacks = 8;
constexpr std::uint32_t kMaxHalfBytes = 65536 * 4;
// The board moves samples in groups of 64; a half's rest is never played.
constexpr std::uint32_t kSampleGroup = 64;
// An input's test signal: a square wave of this many samples a period.
constexpr std::uint32_t kSignalPeriod = 64;

bool Terminated(const StreamSide* side) {
    return side && std::memchr(side->name, 0, sizeof side->name) && side->name[0];
}

std::uint32_t Read32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Peak magnitude of 32-bit samples, as the meters count it: the top 24 bits.
std::uint32_t Peak(const std::uint8_t* samples, std::uint32_t count) {
    std::uint32_t peak = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto s = static_cast<std::int32_t>(Read32(samples + 4 * i));
        std::uint32_t magnitude = s < 0 ? 0u - static_cast<std::uint32_t>(s) : static_cast<std::uint32_t>(s);
        peak = std::max(peak, magnitude);
    }
    return peak >> 8;
}

// A square wave of the given magnitude, its phase running on from `first`.
void SquareWave(std::uint8_t* samples, std::uint32_t count, std::uint32_t level, std::uint64_t first) {
    level = std::min<std::uint32_t>(level, 0x800000);
    auto high = static_cast<std::int32_t>(std::min<std::uint32_t>(level << 8, 0x7FFFFFFF));
    auto low = static_cast<std::int32_t>(0u - (level << 8));
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t s = (first + i) % kSignalPeriod < kSignalPeriod / 2 ? high : low;
        std::memcpy(samples + 4 * i, &s, 4);
    }
}

}  // namespace

std::uint32_t ChannelBits(int word, std::uint32_t boards) {
    return static_cast<std::uint32_t>(word % 4) < boards ? (word < 4 ? 0xFFFFu : 0x3FFFFu) : 0;
}

Stream::~Stream() {
    std::vector<HANDLE> waiters;
    clearCallbacks(waiters);
    WaitForWaiters(waiters);
    if (view_) UnmapViewOfFile(view_);
    if (section_) CloseHandle(section_);
}

bool Stream::inBlock(std::uint32_t address, std::uint32_t bytes, std::uint32_t& offset) const {
    if (!view_ || address < clientBase_ || (address - clientBase_) % 4) return false;
    offset = address - clientBase_;
    return offset <= size_ && bytes <= size_ - offset;
}

std::uint32_t Stream::word(std::uint32_t offset) const { return Read32(view_ + offset); }

void Stream::putWord(std::uint32_t offset, std::uint32_t value) { std::memcpy(view_ + offset, &value, 4); }

std::uint32_t Stream::allocate(std::uint32_t pages, const StreamSide* side, std::uint32_t& address) {
    if (pages == 0 || pages > win::devicepipe::kMaxBufferPages) return ERROR_NOT_ENOUGH_MEMORY;
    if (!Terminated(side)) return ERROR_INVALID_PARAMETER;
    if (view_) return ERROR_BUSY;
    HANDLE section = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, side->name);
    if (!section) return ERROR_INVALID_PARAMETER;
    // Mapping the full size fails when the caller's section is smaller.
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, pages * 4096);
    if (!view) {
        DWORD error = GetLastError();
        CloseHandle(section);
        return error == ERROR_NOT_ENOUGH_MEMORY ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER;
    }
    section_ = section;
    view_ = static_cast<std::uint8_t*>(view);
    clientBase_ = side->address;
    size_ = pages * 4096;
    address = clientBase_;
    return 0;
}

std::uint32_t Stream::free(std::uint32_t address) {
    if (!view_ || address != clientBase_) return ERROR_INVALID_PARAMETER;
    running_ = false;
    halves_.clear();
    active_.clear();
    UnmapViewOfFile(view_);
    CloseHandle(section_);
    view_ = nullptr;
    section_ = nullptr;
    return 0;
}

std::uint32_t Stream::setChannel(bool input, const std::uint8_t* in, std::uint32_t boards,
                                 const std::uint32_t held[8]) {
    ChannelHalfRequest r;
    std::memcpy(&r, in, sizeof r);
    Half h{input, r.board, r.bit, 0, 0, 0, r.flags == kStatusHalfFlags};
    if (r.board >= 4 || r.bit > 17 || !((ChannelBits((input ? 0 : 4) + r.board, boards) >> r.bit) & 1) ||
        r.four != 4 || r.five != 5 || r.allOnes != 0xFFFFFFFF || (r.flags != kHalfFlags && r.flags != kStatusHalfFlags))
        return ERROR_INVALID_PARAMETER;
    if (!(held[(input ? 0 : 4) + h.board] & (1u << h.bit))) return ERROR_ACCESS_DENIED;
    // The record word and the byte count after it must lie in the block, and
    // the half they describe too.
    if (!inBlock(r.recordWord, 8, h.recordWord)) return ERROR_INVALID_PARAMETER;
    h.bytes = word(h.recordWord + kBytesAfterAddress);
    if (word(h.recordWord) != r.buffer || h.bytes == 0 || h.bytes % 4 || h.bytes > kMaxHalfBytes ||
        !inBlock(r.buffer, h.bytes, h.buffer))
        return ERROR_INVALID_PARAMETER;
    auto same = [&](const Half& o) {
        return o.input == h.input && o.board == h.board && o.bit == h.bit && o.recordWord == h.recordWord;
    };
    halves_.erase(std::remove_if(halves_.begin(), halves_.end(), same), halves_.end());
    halves_.push_back(h);
    return 0;
}

std::uint32_t Stream::start(const std::uint32_t masks[8], std::uint32_t boards, const std::uint32_t held[8],
                            std::uint64_t nowMicros) {
    if (!view_) return ERROR_NOT_READY;
    if (running_) return ERROR_BUSY;
    std::vector<Channel> channels;
    std::uint32_t bytes = 0;
    for (int w = 0; w < 8; ++w) {
        std::uint32_t bits = masks[w] & ChannelBits(w, boards);
        if (bits & ~held[w]) return ERROR_ACCESS_DENIED;
        for (std::uint32_t bit = 0; bit < 18; ++bit) {
            if (!(bits & (1u << bit))) continue;
            Channel c{w < 4, static_cast<std::uint32_t>(w % 4), bit, 0, {}, false};
            std::vector<const Half*> found;
            for (const Half& h : halves_)
                if (h.input == c.input && h.board == c.board && h.bit == c.bit) found.push_back(&h);
            // Both halves, in one record.
            if (found.size() != 2) return ERROR_INVALID_PARAMETER;
            if (found[0]->recordWord > found[1]->recordWord) std::swap(found[0], found[1]);
            if (found[1]->recordWord - found[0]->recordWord != kHalf1 - kHalf0 || found[0]->recordWord < kHalf0 ||
                found[0]->bytes != found[1]->bytes || (bytes && found[0]->bytes != bytes))
                return ERROR_INVALID_PARAMETER;
            bytes = found[0]->bytes;
            c.record = found[0]->recordWord - kHalf0;
            c.buffer[0] = found[0]->buffer;
            c.buffer[1] = found[1]->buffer;
            c.status = found[0]->status;
            if (c.record + sizeof(ChannelRecord) > size_) return ERROR_INVALID_PARAMETER;
            channels.push_back(c);
        }
    }
    std::uint32_t samples = bytes / 4 / kSampleGroup * kSampleGroup;
    if (channels.empty() || samples == 0) return ERROR_INVALID_PARAMETER;
    // An output loops back to the input of the same board and bit when this
    // stream carries both.
    for (Channel& in : channels) {
        if (!in.input) continue;
        for (std::size_t o = 0; o < channels.size(); ++o) {
            Channel& out = channels[o];
            if (out.input || out.board != in.board || out.bit != in.bit) continue;
            in.source = static_cast<int>(o);
            out.held.resize(samples * 4);
        }
    }
    active_ = std::move(channels);
    halfBytes_ = bytes;
    blockSamples_ = samples;
    blocks_ = 0;
    for (Callback& c : callbacks_) {
        c.deliveredAtStart = c.record->delivered;
        c.mergedAtStart = c.record->merged;
    }
    running_ = true;
    rate_ = 0;
    lastBoundary_ = static_cast<double>(nowMicros);
    take(0);
    return 0;
}

void Stream::reset(const std::uint32_t masks[8]) {
    running_ = false;
    active_.clear();
    auto masked = [&](const Half& h) { return (masks[(h.input ? 0 : 4) + h.board] >> h.bit) & 1; };
    halves_.erase(std::remove_if(halves_.begin(), halves_.end(), masked), halves_.end());
}

std::uint32_t Stream::setCallback(std::uint32_t routine, std::uint32_t filter, const StreamSide* side) {
    if (routine == 0 || filter != quorvi::kCallbackFilter || !Terminated(side)) return ERROR_INVALID_PARAMETER;
    if (callbacks_.size() >= kMaxCallbacks) return ERROR_BUSY;
    Callback c{routine, nullptr, nullptr, nullptr, nullptr, 0, 0};
    std::string eventName = std::string(side->name) + "-event";
    c.event = OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
    c.section = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, side->name);
    // Only the record: the client chose the section's size.
    if (c.section)
        c.record = static_cast<WakeRecord*>(MapViewOfFile(c.section, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(WakeRecord)));
    c.waiter = OpenThread(SYNCHRONIZE, FALSE, side->threadId);
    if (!c.event || !c.record || !c.waiter) {
        if (c.record) UnmapViewOfFile(c.record);
        for (HANDLE h : {c.event, c.section, c.waiter})
            if (h) CloseHandle(h);
        return ERROR_INVALID_PARAMETER;
    }
    c.deliveredAtStart = c.record->delivered;
    c.mergedAtStart = c.record->merged;
    callbacks_.push_back(c);
    return 0;
}

std::uint32_t Stream::clearCallback(std::uint32_t routine, std::uint32_t filter, std::vector<HANDLE>& waiters) {
    auto it = std::find_if(callbacks_.begin(), callbacks_.end(), [&](const Callback& c) { return c.routine == routine; });
    if (filter != quorvi::kCallbackFilter || it == callbacks_.end()) return ERROR_INVALID_PARAMETER;
    waiters.push_back(StopWaiter(*it));
    callbacks_.erase(it);
    return 0;
}

void Stream::clearCallbacks(std::vector<HANDLE>& waiters) {
    for (Callback& c : callbacks_) waiters.push_back(StopWaiter(c));
    callbacks_.clear();
}

HANDLE Stream::StopWaiter(Callback& c) {
    c.record->stop = 1;
    SetEvent(c.event);
    UnmapViewOfFile(c.record);
    CloseHandle(c.section);
    CloseHandle(c.event);
    return c.waiter;
}

// Once a waiter has ended the caller's module may go. The wait is bounded: a
// waiter in a process that hangs must not hang the service.
void WaitForWaiters(std::vector<HANDLE>& waiters) {
    for (HANDLE w : waiters) {
        WaitForSingleObject(w, 2000);
        CloseHandle(w);
    }
    waiters.clear();
}

Stream::Stats Stream::stats() const {
    Stats s{blocks_, 0, 0};
    for (const Callback& c : callbacks_) {
        s.delivered += c.record->delivered - c.deliveredAtStart;
        s.merged += c.record->merged - c.mergedAtStart;
    }
    return s;
}

bool Stream::peak(int word, std::uint32_t bit, std::uint32_t& level) const {
    if (!running_) return false;
    for (const Channel& c : active_)
        if (c.input == (word < 4) && c.board == static_cast<std::uint32_t>(word % 4) && c.bit == bit) {
            level = c.peak;
            return true;
        }
    return false;
}

double Stream::boundary(std::uint64_t block) const {
    return epoch_ + static_cast<double>((block - epochBlocks_) * blockSamples_) * 1e6 / rate_;
}

std::uint64_t Stream::nextBoundary() const {
    if (!running_) return UINT64_MAX;
    // Without a clock, look again in a millisecond.
    return static_cast<std::uint64_t>(std::ceil(rate_ > 0 ? boundary(blocks_ + 1) : lastBoundary_ + 1000));
}

void Stream::pump(const Now& now, double rate) {
    if (!running_) return;
    if (rate <= 0) {
        // No clock, no blocks; they start again from when it comes back.
        rate_ = 0;
        lastBoundary_ = static_cast<double>(now.micros);
        return;
    }
    if (rate != rate_) {
        rate_ = rate;
        epoch_ = lastBoundary_;
        epochBlocks_ = blocks_;
    }
    while (boundary(blocks_ + 1) <= static_cast<double>(now.micros)) {
        lastBoundary_ = boundary(blocks_ + 1);
        int half = static_cast<int>(blocks_ % 2);
        record(half, now);
        stamp(half, now);
        ++blocks_;
        take(1 - half);
        for (Callback& c : callbacks_) {
            InterlockedIncrement(reinterpret_cast<volatile LONG*>(&c.record->sequence));
            SetEvent(c.event);
        }
    }
}

// The board starts playing an output half: what the caller wrote by now is
// what is heard, and what loops back. A caller that writes later has missed
// it.
void Stream::take(int half) {
    for (Channel& out : active_) {
        if (out.input) continue;
        const std::uint8_t* samples = view_ + out.buffer[half];
        out.peak = Peak(samples, blockSamples_);
        if (!out.held.empty()) std::memcpy(out.held.data(), samples, out.held.size());
    }
}

// The end of a block: every input half in use is written, with the looped
// output, else the input's test signal or silence; the rest of a half that
// is longer than the block is silent.
void Stream::record(int half, const Now& now) {
    std::uint32_t blockBytes = blockSamples_ * 4;
    for (Channel& in : active_) {
        if (!in.input) continue;
        std::uint8_t* samples = view_ + in.buffer[half];
        if (in.source >= 0) {
            const Channel& out = active_[in.source];
            std::memcpy(samples, out.held.data(), blockBytes);
            in.peak = out.peak;
        } else {
            std::uint32_t level = now.inputSignal[in.board][in.bit];
            SquareWave(samples, blockSamples_, level, blocks_ * blockSamples_);
            in.peak = std::min<std::uint32_t>(level, 0x800000);
        }
        std::memset(samples + blockBytes, 0, halfBytes_ - blockBytes);
    }
}

// The status record names the half just finished as the caller's and
// stamps it as of the boundary itself, however late this pump runs: the
// time it ended, and the time code of its first sample.
void Stream::stamp(int half, const Now& now) {
    double late = now.micros - lastBoundary_;
    auto ms = static_cast<std::uint32_t>(now.ms - static_cast<std::uint32_t>(late / 1000 + 0.5));
    double period = blockSamples_ * 1e6 / rate_;
    double back = now.timecodeRunning ? (late + period) * now.timecodeRate / 1e6 : 0;
    auto timecode = static_cast<std::uint32_t>(now.timecode - static_cast<std::uint32_t>(back + 0.5));
    for (const Channel& c : active_) {
        if (!c.status) continue;
        std::uint32_t status =
            (half == 0 ? kStatusHalf0 : 0) | (now.timecodeRunning ? kStatusTimecodeRunning : kStatusTimecodeStill);
        putWord(c.record + offsetof(ChannelRecord, status), status);
        putWord(c.record + (half == 0 ? offsetof(ChannelRecord, timecode0) : offsetof(ChannelRecord, timecode1)),
                timecode);
        putWord(c.record + (half == 0 ? offsetof(ChannelRecord, time0) : offsetof(ChannelRecord, time1)), ms);
    }
}

}  // namespace vboard
