#pragma once
// The driver object hosts create: the ASIO interface over all boards of the
// machine, with the COM identity that lets a host aggregate it. The
// interface is the first base, since hosts call through the pointer they
// get back.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>

#include "Buffers.h"
#include "Channels.h"
#include "Clocks.h"
#include "Streamer.h"
#include "asio/Asio.h"
#include "quorvi/DriverClsids.h"
#include "quorvi/QuorviCore.h"
#include "win/Device.h"

namespace quorviasio {

inline constexpr const char* kDriverName = quorvi::kAsioDriverName;
inline constexpr long kDriverVersion = 3;

class AsioDriver final : public IASIO {
public:
    // The class factory's creation routine: E_POINTER, E_NOINTERFACE (an
    // aggregating outer object asking for more than IUnknown),
    // E_OUTOFMEMORY, or the object queried for `riid`.
    static HRESULT Create(IUnknown* outer, REFIID riid, void** result);

    // IUnknown of the interface: the controlling object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    ASIOBool init(void* sysHandle) override;
    void getDriverName(char* name) override;
    long getDriverVersion() override;
    void getErrorMessage(char* text) override;
    ASIOError start() override;
    ASIOError stop() override;
    ASIOError getChannels(long* inputs, long* outputs) override;
    ASIOError getLatencies(long* input, long* output) override;
    ASIOError getBufferSize(long* minSize, long* maxSize, long* preferred, long* granularity) override;
    ASIOError canSampleRate(ASIOSampleRate rate) override;
    ASIOError getSampleRate(ASIOSampleRate* rate) override;
    ASIOError setSampleRate(ASIOSampleRate rate) override;
    ASIOError getClockSources(ASIOClockSource* clocks, long* count) override;
    ASIOError setClockSource(long index) override;
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError createBuffers(ASIOBufferInfo* infos, long count, long bufferSize, ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;
    ASIOError controlPanel() override;
    ASIOError future(long selector, void* option) override;
    ASIOError outputReady() override;

private:
    // The object's own IUnknown, which an aggregating object holds.
    class Identity final : public IUnknown {
    public:
        explicit Identity(AsioDriver& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;

    private:
        AsioDriver& owner_;
    };

    explicit AsioDriver(IUnknown* outer);
    ~AsioDriver();
    // False when the streaming thread could not be ended: the object then
    // stays, as the thread may still use it.
    bool tearDown();
    // Gives the reserved channels back and closes the boards.
    void closeBoards();
    // An init that failed with `text`.
    ASIOBool failInit(const char* text);
    void setError(const char* text);
    bool initialised() const { return initialised_.load(); }

    // Buffers and the transfer (DriverStreaming.cpp).
    bool registerHalves() const;
    bool resetTransfer() const;
    bool freeBlock();

    // Clocks and the control panel (DriverClocks.cpp).
    void readClockSettings();
    void setRate(double rate);
    // Tells the host the rate it would now read, when that moved.
    void tellRate(double before) const;
    bool applyMasterClock(std::uint32_t code);

    Identity identity_{*this};
    IUnknown* outer_;
    std::atomic<LONG> references_{1};

    std::atomic<bool> initialised_{true};
    bool buffersCreated_ = false;
    win::Device device_;
    Streamer streamer_;
    char error_[kAsioErrorMessageSize] = {};

    std::uint32_t inCoefficient_ = 0, inConstant_ = 0, outCoefficient_ = 0, outConstant_ = 0;
    quorvi::ChannelMaskSet reserved_{};
    quorvi::ChannelMaskSet used_{};
    ChannelSet channels_;
    long blockSize_ = 0;

    // The shared block and the channel record of each buffer request, in
    // the host's order.
    std::uint8_t* block_ = nullptr;
    struct Registered {
        bool input;
        ChannelPlace at;
        quorvi::ChannelRecord* record;
    };
    Registered registered_[kMaxChannels] = {};
    long registeredCount_ = 0;
    quorvi::ChannelRecord* statusRecord_ = nullptr;

    double rate_ = kRate48;
    std::uint32_t masterClock_ = 0;
    long clockSource_ = 0;
    std::optional<std::uint32_t> storedClock_;  // ClockSource as last read
};

}  // namespace quorviasio
