// The driver object's channels, buffers and transfer.
#include <cstring>

#include "AsioDriver.h"

namespace quorviasio {

namespace {

std::uint32_t Address(const void* p) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)); }

}  // namespace

ASIOError AsioDriver::getChannels(long* inputs, long* outputs) {
    if (!initialised()) return ASE_NotPresent;
    if (!inputs || !outputs) return ASE_InvalidParameter;
    *inputs = channels_.inputs();
    *outputs = channels_.outputs();
    return ASE_OK;
}

ASIOError AsioDriver::getLatencies(long* input, long* output) {
    if (!initialised()) return ASE_NotPresent;
    if (!input || !output) return ASE_InvalidParameter;
    *input = LatencySamples(inCoefficient_, blockSize_, inConstant_);
    *output = LatencySamples(outCoefficient_, blockSize_, outConstant_);
    return ASE_OK;
}

ASIOError AsioDriver::getBufferSize(long* minSize, long* maxSize, long* preferred, long* granularity) {
    if (!initialised()) return ASE_NotPresent;
    if (!minSize || !maxSize || !preferred || !granularity) return ASE_InvalidParameter;
    *minSize = kMinBufferSize;
    *maxSize = kMaxBufferSize;
    *preferred = blockSize_;
    *granularity = kBufferGranularity;
    return ASE_OK;
}

ASIOError AsioDriver::getChannelInfo(ASIOChannelInfo* info) {
    if (!initialised()) return ASE_NotPresent;
    if (!info || !channels_.describe(*info)) return ASE_InvalidParameter;
    return ASE_OK;
}

ASIOError AsioDriver::createBuffers(ASIOBufferInfo* infos, long count, long bufferSize, ASIOCallbacks* callbacks) {
    if (!initialised()) return ASE_NotPresent;
    if (buffersCreated_ || block_) return ASE_InvalidMode;
    BufferRequestCounts counts;
    // Without a switch routine no block could ever be handed over.
    if (!callbacks || !callbacks->bufferSwitch ||
        CheckBufferRequests(infos, count, bufferSize, channels_.inputs(), channels_.outputs(), counts) != ASE_OK)
        return ASE_InvalidParameter;
    const SharedLayout layout(counts, bufferSize);
    std::uint32_t pages = layout.pages(), address = 0;
    if (!device_.control(quorvi::QUORVI_ALLOC_BUFFERS, &pages, sizeof pages, &address, sizeof address) || !address)
        return ASE_NoMemory;
    block_ = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
    std::memset(block_, kBlockFill, pages * kPageSize);
    // The halves start silent: start hands the inputs to the host before
    // the boards have recorded anything, and the fill is loud.
    std::memset(block_ + layout.sampleArea(), 0, layout.sampleBytes());
    blockSize_ = BlockSizeFor(bufferSize);
    used_ = {};

    long inputs = 0, outputs = 0;
    for (long i = 0; i < count; ++i) {
        ASIOBufferInfo& request = infos[i];
        const bool input = request.isInput != ASIOFalse;
        const ChannelPlace at = channels_.place(input, request.channelNum);
        for (int h = 0; h < 2; ++h) request.buffers[h] = block_ + layout.half(i, h);
        (input ? used_.in : used_.out)[at.board] |= 1u << at.bit;
        auto* record = reinterpret_cast<quorvi::ChannelRecord*>(
            block_ + (input ? layout.inputRecord(inputs++) : layout.outputRecord(outputs++)));
        record->channel = static_cast<std::uint32_t>(request.channelNum);
        record->half0 = Address(request.buffers[0]);
        record->bytes0 = layout.bufferBytes();
        record->half1 = Address(request.buffers[1]);
        record->bytes1 = layout.bufferBytes();
        registered_[i] = {input, at, record};
    }
    registeredCount_ = count;

    statusRecord_ = reinterpret_cast<quorvi::ChannelRecord*>(block_ + layout.statusRecord());
    registerHalves();
    buffersCreated_ = true;
    streamer_.attach(statusRecord_, *callbacks, ReportedRate(rate_));
    streamer_.setTimeInfo(false);
    streamer_.setTimecodeAvailable(false);
    if (streamer_.host().message(kAsioSupportsTimeInfo) == 1) {
        streamer_.setTimeInfo(true);
        if (QuorviTimeCodeEnabled(device_.get()) && streamer_.host().message(kAsioSupportsTimeCode) == 1)
            streamer_.setTimecodeAvailable(true);
    }
    return ASE_OK;
}

// Every input's halves, then every output's; the first refusal ends the
// series.
bool AsioDriver::registerHalves() const {
    for (bool input : {true, false}) {
        for (long i = 0; i < registeredCount_; ++i) {
            const Registered& r = registered_[i];
            if (r.input != input) continue;
            for (int h = 0; h < 2; ++h) {
                quorvi::ChannelHalfRequest request{};
                request.board = static_cast<std::uint8_t>(r.at.board);
                request.bit = static_cast<std::uint8_t>(r.at.bit);
                request.four = 4;
                request.five = 5;
                request.recordWord = Address(h ? &r.record->half1 : &r.record->half0);
                request.allOnes = 0xFFFFFFFF;
                request.buffer = h ? r.record->half1 : r.record->half0;
                request.flags = r.record == statusRecord_ ? quorvi::kStatusHalfFlags : quorvi::kHalfFlags;
                if (!device_.control(input ? quorvi::QUORVI_SET_IN_CHANNEL : quorvi::QUORVI_SET_OUT_CHANNEL, &request,
                                     sizeof request, nullptr, 0))
                    return false;
            }
        }
    }
    return true;
}

bool AsioDriver::resetTransfer() const {
    return device_.control(quorvi::QUORVI_IORESET, &reserved_, sizeof reserved_, nullptr, 0);
}

ASIOError AsioDriver::start() {
    if (!initialised()) return ASE_NotPresent;
    // A second start would hand halves over on two threads at once.
    if (!buffersCreated_ || streamer_.running()) return ASE_InvalidMode;
    streamer_.prime(blockSize_);
    streamer_.arm();
    if (!device_.control(quorvi::QUORVI_IOSTART, &used_, sizeof used_, nullptr, 0)) {
        streamer_.halt();
        return ASE_HWMalfunction;
    }
    return ASE_OK;
}

ASIOError AsioDriver::stop() {
    if (!initialised()) return ASE_NotPresent;
    const bool wasRunning = streamer_.running();
    if (buffersCreated_) {
        // No hand-over runs once the transfer is reset.
        streamer_.halt();
        if (!resetTransfer()) {
            if (wasRunning) streamer_.arm();
            setError("quorvi.vxd IORESET failed!");
            return ASE_HWMalfunction;
        }
        registerHalves();
    }
    return wasRunning ? ASE_OK : ASE_InvalidMode;
}

ASIOError AsioDriver::disposeBuffers() {
    if (!initialised()) return ASE_NotPresent;
    stop();
    // Even when the boards refused the reset and go on streaming, no switch
    // may reach the host once its buffers are gone.
    streamer_.halt();
    buffersCreated_ = false;
    streamer_.detach();
    if (!block_) return ASE_InvalidMode;
    if (!resetTransfer() || !freeBlock()) return ASE_HWMalfunction;
    return ASE_OK;
}

bool AsioDriver::freeBlock() {
    const std::uint32_t address = Address(block_);
    if (!device_.control(quorvi::QUORVI_FREE_BUFFERS, &address, sizeof address, nullptr, 0)) return false;
    block_ = nullptr;
    registeredCount_ = 0;
    return true;
}

ASIOError AsioDriver::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) {
    if (!initialised()) return ASE_NotPresent;
    if (!position || !stamp) return ASE_InvalidParameter;
    streamer_.position(*position, *stamp);
    return ASE_OK;
}

}  // namespace quorviasio
