#pragma once
// The ASIO 2 driver interface as hosts and drivers exchange it on 32-bit
// Windows: the driver's method table, the records passed through it, error
// codes and message selectors. Records use 4-byte packing, so doubles sit
// at 4-byte offsets; the sizes below are what every host compiles against.
//
// The driver's methods after the three of IUnknown use the usual compilers'
// thiscall convention (this in ECX, the callee pops the arguments); g++ on
// i686 gives member functions exactly that. Host callbacks are plain cdecl
// functions.
#include <windows.h>
#include <unknwn.h>

#include <cstddef>

typedef long ASIOBool;
typedef long ASIOError;
typedef long ASIOSampleType;
typedef double ASIOSampleRate;

enum : ASIOBool { ASIOFalse = 0, ASIOTrue = 1 };

enum : ASIOError {
    ASE_OK = 0,
    ASE_SUCCESS = 0x3F4847A0,  // answer of future() for a selector it carried out
    ASE_NotPresent = -1000,
    ASE_HWMalfunction = -999,
    ASE_InvalidParameter = -998,
    ASE_InvalidMode = -997,
    ASE_SPNotAdvancing = -996,
    ASE_NoClock = -995,
    ASE_NoMemory = -994,
};

enum : ASIOSampleType { ASIOSTInt32LSB = 18 };

// Message selectors of the host's asioMessage().
enum : long {
    kAsioSelectorSupported = 1,
    kAsioEngineVersion = 2,
    kAsioResetRequest = 3,
    kAsioBufferSizeChange = 4,
    kAsioResyncRequest = 5,
    kAsioLatenciesChanged = 6,
    kAsioSupportsTimeInfo = 7,
    kAsioSupportsTimeCode = 8,
};

// Selectors of the driver's future().
enum : long {
    kAsioEnableTimeCodeRead = 1,
    kAsioDisableTimeCodeRead = 2,
    kAsioSetInputMonitor = 3,
    kAsioTransport = 4,
    kAsioCanTimeInfo = 10,
    kAsioCanTimeCode = 11,
};

// Buffer sizes the interface fixes for its text fields.
inline constexpr std::size_t kAsioDriverNameSize = 32;
inline constexpr std::size_t kAsioErrorMessageSize = 124;
inline constexpr std::size_t kAsioNameSize = 32;

#pragma pack(push, 4)

// 64-bit counts as two 32-bit halves, high first.
struct ASIOSamples {
    unsigned long hi;
    unsigned long lo;
};
typedef ASIOSamples ASIOTimeStamp;  // nanoseconds

struct ASIOClockSource {
    long index;
    long associatedChannel;
    long associatedGroup;
    ASIOBool isCurrentSource;
    char name[kAsioNameSize];
};

struct ASIOChannelInfo {
    long channel;     // in: channel number
    ASIOBool isInput; // in
    ASIOBool isActive;
    long channelGroup;
    ASIOSampleType type;
    char name[kAsioNameSize];
};

struct ASIOBufferInfo {
    ASIOBool isInput;  // in
    long channelNum;   // in
    void* buffers[2];  // out: the two halves
};

enum : unsigned long {
    kSystemTimeValid = 1 << 0,
    kSamplePositionValid = 1 << 1,
    kSampleRateValid = 1 << 2,
    kSpeedValid = 1 << 3,
    kSampleRateChanged = 1 << 4,
    kClockSourceChanged = 1 << 5,
};

struct AsioTimeInfo {
    double speed;
    ASIOTimeStamp systemTime;
    ASIOSamples samplePosition;
    ASIOSampleRate sampleRate;
    unsigned long flags;
    char reserved[12];
};

enum : unsigned long {
    kTcValid = 1 << 0,
    kTcRunning = 1 << 1,
    kTcReverse = 1 << 2,
    kTcOnspeed = 1 << 3,
    kTcStill = 1 << 4,
    kTcSpeedValid = 1 << 8,
};

struct ASIOTimeCode {
    double speed;
    ASIOSamples timeCodeSamples;
    unsigned long flags;
    char future[64];
};

struct ASIOTime {
    long reserved[4];
    AsioTimeInfo timeInfo;
    ASIOTimeCode timeCode;
};

struct ASIOCallbacks {
    void (*bufferSwitch)(long doubleBufferIndex, ASIOBool directProcess);
    void (*sampleRateDidChange)(ASIOSampleRate rate);
    long (*asioMessage)(long selector, long value, void* message, double* opt);
    ASIOTime* (*bufferSwitchTimeInfo)(ASIOTime* params, long doubleBufferIndex, ASIOBool directProcess);
};

#pragma pack(pop)

static_assert(sizeof(ASIOSamples) == 8);
static_assert(sizeof(ASIOClockSource) == 48);
static_assert(sizeof(ASIOChannelInfo) == 52);
static_assert(offsetof(ASIOChannelInfo, name) == 20);
static_assert(sizeof(ASIOBufferInfo) == 16);
static_assert(sizeof(AsioTimeInfo) == 48);
static_assert(offsetof(AsioTimeInfo, flags) == 32);
static_assert(sizeof(ASIOTimeCode) == 84);
static_assert(offsetof(ASIOTimeCode, flags) == 16);
static_assert(sizeof(ASIOTime) == 148);
static_assert(offsetof(ASIOTime, timeInfo) == 16);
static_assert(offsetof(ASIOTime, timeCode) == 64);
static_assert(sizeof(ASIOCallbacks) == 16);

// The driver's interface. Hosts get it from CoCreateInstance with the
// driver's class identifier passed as the interface identifier too; the
// slots after Release are in this order.
struct IASIO : public IUnknown {
    virtual ASIOBool init(void* sysHandle) = 0;
    virtual void getDriverName(char* name) = 0;  // kAsioDriverNameSize
    virtual long getDriverVersion() = 0;
    virtual void getErrorMessage(char* text) = 0;  // kAsioErrorMessageSize
    virtual ASIOError start() = 0;
    virtual ASIOError stop() = 0;
    virtual ASIOError getChannels(long* inputs, long* outputs) = 0;
    virtual ASIOError getLatencies(long* input, long* output) = 0;
    virtual ASIOError getBufferSize(long* minSize, long* maxSize, long* preferred, long* granularity) = 0;
    virtual ASIOError canSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getSampleRate(ASIOSampleRate* rate) = 0;
    virtual ASIOError setSampleRate(ASIOSampleRate rate) = 0;
    virtual ASIOError getClockSources(ASIOClockSource* clocks, long* count) = 0;
    virtual ASIOError setClockSource(long index) = 0;
    virtual ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) = 0;
    virtual ASIOError getChannelInfo(ASIOChannelInfo* info) = 0;
    virtual ASIOError createBuffers(ASIOBufferInfo* infos, long count, long bufferSize,
                                    ASIOCallbacks* callbacks) = 0;
    virtual ASIOError disposeBuffers() = 0;
    virtual ASIOError controlPanel() = 0;
    virtual ASIOError future(long selector, void* option) = 0;
    virtual ASIOError outputReady() = 0;
};
