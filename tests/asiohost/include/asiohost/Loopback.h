#pragma once
// A loop-back session: every output sample says which output and which
// sample it is, so each input sample tells where it came from and how many
// samples later it arrived.
#include <cstdint>
#include <map>
#include <vector>

#include "asio/Asio.h"

namespace asiohost {

class Loopback {
public:
    // `buffers` as createBuffers filled them; `bufferSize` samples per half.
    Loopback(const std::vector<ASIOBufferInfo>& buffers, long bufferSize);

    // One buffer switch, called from inside it: the inputs of `half` are
    // read and its outputs written for this switch's place in the stream.
    // Switches are numbered from 0, the first of the two made by start.
    void process(long half);

    // The pattern of output channel `channel` at stream sample `index`.
    static std::int32_t Pattern(long channel, std::uint64_t index);
    // Output channel and sample index of a patterned sample; false for
    // anything else (silence, the driver's fill).
    static bool Decode(std::int32_t sample, long& channel, std::uint32_t& index);

    // Input samples by delay in samples, for patterned samples whose source
    // output `expected` accepts (input channel, output channel).
    std::map<std::uint32_t, long long> delays() const { return delays_; }
    long long patterned() const { return patterned_; }
    long long unpatterned() const { return unpatterned_; }
    // Patterned samples that came from another output than the pairing says.
    long long misrouted() const { return misrouted_; }
    // Which output each input is expected to carry; -1 for none.
    void pair(long input, long output);

    // The first samples of one output and of the input paired with it:
    // stream index of each sample sent, and the source index of each
    // sample received (-1 when it carried no pattern).
    void trace(long output, long input, std::size_t samples);
    const std::vector<std::int64_t>& sentTrace() const { return sent_; }
    const std::vector<std::int64_t>& receivedTrace() const { return received_; }

private:
    struct Buffer {
        long channel;
        std::int32_t* halves[2];
    };
    std::vector<Buffer> inputs_, outputs_;
    long size_;
    std::uint64_t switches_ = 0;
    std::map<long, long> pairs_;
    std::map<std::uint32_t, long long> delays_;
    long long patterned_ = 0, unpatterned_ = 0, misrouted_ = 0;
    long traceOutput_ = -1, traceInput_ = -1;
    std::size_t traceLength_ = 0;
    std::vector<std::int64_t> sent_, received_;
};

}  // namespace asiohost
