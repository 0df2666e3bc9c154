#pragma once
// Device I/O control codes of the Quorvi kernel driver and the Lintra
// driver, with the sizes of their fixed request and reply buffers.
#include <cstddef>
#include <cstdint>

namespace quorvi {

// Device names as the callers open them.
inline constexpr const char* kDeviceNameNT = "\\\\.\\Quorvi";
inline constexpr const char* kDeviceName9x = "\\\\.\\QUORVI";
inline constexpr const char* kDeviceNameAsio = "\\\\.\\quorvi.vxd";
inline constexpr const char* kDeviceNameLintra = "\\\\.\\ice.vxd";

inline constexpr std::uint32_t kMaxBoards = 4;

enum : std::uint32_t {
    QUORVI_GET_BOARD_INFO = 0x81012024,
    QUORVI_GET_STATUS = 0x81012028,
    QUORVI_SET_PARAM = 0x8101202C,
    QUORVI_HC_GET_PARAMS = 0x81012030,
    QUORVI_GET_STATUS_FLAGS = 0x81012034,
    QUORVI_HC_REPROG_FPGA = 0x8101204C,
    QUORVI_SET_STATUS_MASKS = 0x81012058,
    QUORVI_SET_OUT_CHANNEL = 0x81012104,
    QUORVI_SET_IN_CHANNEL = 0x81012108,
    QUORVI_ACQUIRE_CHANNELS = 0x8101210C,
    QUORVI_RELEASE_CHANNELS = 0x81012110,
    QUORVI_IOSTART = 0x81012114,
    QUORVI_IORESET = 0x8101211C,
    QUORVI_SET_PUNCH = 0x81012120,
    QUORVI_GET_PUNCH = 0x81012124,
    QUORVI_SET_SYS_SETUP = 0x81012128,
    QUORVI_GET_SYS_SETUP = 0x8101212C,
    QUORVI_ALLOC_BUFFERS = 0x81012130,
    QUORVI_FREE_BUFFERS = 0x81012134,
    QUORVI_SET_CALLBACK = 0x81012138,
    QUORVI_CLEAR_CALLBACK = 0x8101213C,
    QUORVI_SYS_UPDATE = 0x81012144,
    QUORVI_HC_SEND_FPGABYTE = 0x8101221C,
    QUORVI_HC_GET_FPGABYTE = 0x81012220,
    STOP_SERIAL = 0x8101222C,

    ICEAPI_ENUM_DEVICES = 0x81CD6008,
    ICEAPI_GETDEVICEINFO = 0x81CD600C,
    ICEAPI_SET_RATE = 0x81CD6038,
    ICEAPI_CUSTOM = 0x81CD6400,
};

// Fixed buffer sizes in bytes.
inline constexpr std::uint32_t kBoardInfoSize = 28;
inline constexpr std::uint32_t kStatusBlockSize = 176;
inline constexpr std::uint32_t kParameterBlockSize = 276;
inline constexpr std::uint32_t kStatusFlagsPerBoard = 8;
inline constexpr std::uint32_t kSysSetupSize = 44;
inline constexpr std::uint32_t kDeviceBlockSize = 3896;
inline constexpr std::uint32_t kChannelMasksSize = 32;
inline constexpr std::uint32_t kChannelHalfSize = 20;
inline constexpr std::uint32_t kIoStartSize = 32;
inline constexpr std::uint32_t kSetStatusMasksSize = 12;
// QUORVI_SET_CALLBACK {routine, kCallbackFilter}: at every block boundary the
// driver queues the routine as a user-mode APC to the thread that registered
// it. The APC's argument is 0 and carries nothing; which half is the host's,
// and when it became so, are in the status record.
inline constexpr std::uint32_t kCallbackFilter = 0x0000FFFC;

inline constexpr std::uint32_t kIceEnumSize = 20;
inline constexpr std::uint32_t kIceSetRateSize = 24;
inline constexpr std::uint32_t kIceCustomSize = 16;
inline constexpr std::uint32_t kIceDeviceInfoInSize = 24;
inline constexpr std::uint32_t kIceDeviceInfoSize = 324;
inline constexpr std::uint32_t CUST_GET_MIC_GAINS = 13;
inline constexpr std::uint32_t CUST_GET_I2C_SPACE = 14;

}  // namespace quorvi

// Request layouts of the core's own requests.
namespace quorvi {

#pragma pack(push, 1)

// QUORVI_SET_PARAM input: the board index, then the 276-byte parameter block
// (struct ParameterBlock of SettingsRecord.h).
inline constexpr std::uint32_t kSetParamSize = 4 + kParameterBlockSize;

// QUORVI_GET_BOARD_INFO reply; callers keep words 0 and 5.
struct BoardInfoReply {
    std::uint32_t kind;
    std::uint32_t reserved1[4];
    std::uint32_t capability;  // 0 = an older board
    std::uint32_t reserved6;
};

// Two-word inputs: QUORVI_HC_REPROG_FPGA (board, kReprogFpgaMode),
// QUORVI_HC_SEND_FPGABYTE (board, word), QUORVI_HC_GET_FPGABYTE (board, 0),
// QUORVI_SET_PUNCH (position, 0), QUORVI_SET_CALLBACK (routine,
// kCallbackFilter).
struct TwoWordRequest {
    std::uint32_t first;
    std::uint32_t second;
};
inline constexpr std::uint32_t kReprogFpgaMode = 3;

// QUORVI_SET_STATUS_MASKS input.
struct SetStatusMasksRequest {
    std::uint32_t board;
    std::uint32_t enable;
    std::uint32_t reserved;
};

// QUORVI_GET_PUNCH reply: word 1 bit 0 = the punch was hit.
inline constexpr int kPunchHitWord = 1;
inline constexpr std::uint32_t kPunchHit = 0x1;

// The system setup block (QUORVI_GET_SYS_SETUP, QUORVI_SET_SYS_SETUP):
// word 6 bits 0-1 = time code on.
inline constexpr int kSysSetupTimeCodeWord = 6;
inline constexpr std::uint32_t kSysSetupTimeCodeBits = 0x3;

// QUORVI_HC_GET_FPGABYTE reply bits: signal on optical input A, B.
inline constexpr std::uint32_t kFpgaSignalA = 0x04;
inline constexpr std::uint32_t kFpgaSignalB = 0x20;

// ICEAPI_ENUM_DEVICES reply.
struct IceEnumReply {
    std::int32_t count;
    std::uint32_t devices[4];
};

// ICEAPI_SET_RATE input: word 0 repeats the request code.
struct IceSetRateRequest {
    std::uint32_t code;
    std::uint32_t device;
    std::uint32_t reserved2;
    std::uint32_t rate;
    std::uint32_t reserved4[2];
};

// ICEAPI_CUSTOM input.
struct IceCustomRequest {
    std::uint32_t subCode;
    std::uint32_t device;
    std::uint32_t reserved[2];
};

// ICEAPI_GETDEVICEINFO input.
struct IceDeviceInfoRequest {
    std::uint32_t reserved0;
    std::uint32_t device;
    std::uint32_t reserved[4];
};

#pragma pack(pop)

inline constexpr std::uint32_t kIceI2cSpaceSize = 5;
inline constexpr std::uint32_t kIceMicGainsSize = 2;

static_assert(sizeof(BoardInfoReply) == kBoardInfoSize);
static_assert(offsetof(BoardInfoReply, capability) == 5 * 4);
static_assert(sizeof(TwoWordRequest) == 8);
static_assert(sizeof(SetStatusMasksRequest) == kSetStatusMasksSize);
static_assert(kSysSetupTimeCodeWord * 4 < kSysSetupSize);
static_assert(sizeof(IceEnumReply) == kIceEnumSize);
static_assert(sizeof(IceSetRateRequest) == kIceSetRateSize);
static_assert(offsetof(IceSetRateRequest, rate) == 12);
static_assert(sizeof(IceCustomRequest) == kIceCustomSize);
static_assert(sizeof(IceDeviceInfoRequest) == kIceDeviceInfoInSize);
static_assert(offsetof(IceDeviceInfoRequest, device) == 4);

// Streaming. The shared block of QUORVI_ALLOC_BUFFERS holds one channel
// record per channel in use (inputs, then outputs, in the host's order), then
// the sample halves. The status record is the first output record, or the
// first input record when no output is in use.
#pragma pack(push, 1)

struct ChannelRecord {
    std::uint32_t channel;    // ASIO channel number
    std::uint32_t half0;      // address of the half-0 buffer
    std::uint32_t bytes0;     // buffer bytes
    std::uint32_t unused12[2];
    std::uint32_t status;     // status word, written by the driver (status record only)
    std::uint32_t unused24;
    std::uint32_t timecode0;  // time code of half 0's first sample, written by the driver
    std::uint32_t time0;      // multimedia-timer milliseconds of half 0, written by the driver
    std::uint32_t half1;
    std::uint32_t bytes1;
    std::uint32_t unused44[4];
    std::uint32_t timecode1;
    std::uint32_t time1;
};

// Status word bits.
inline constexpr std::uint32_t kStatusHalf0 = 0x1;  // the half now the host's is half 0
inline constexpr std::uint32_t kStatusTimecodeStill = 0x04000000;
inline constexpr std::uint32_t kStatusTimecodeRunning = 0x08000000;

// QUORVI_SET_IN_CHANNEL / QUORVI_SET_OUT_CHANNEL input: one half of one
// channel.
struct ChannelHalfRequest {
    std::uint8_t board;
    std::uint8_t bit;          // channel bit on that board
    std::uint8_t four;         // always 4
    std::uint8_t five;         // always 5
    std::uint32_t recordWord;  // address of the record word holding this half's address (half0 or half1)
    std::uint32_t allOnes;     // always 0xFFFFFFFF
    std::uint32_t buffer;      // this half's address
    std::uint32_t flags;       // kHalfFlags, or kStatusHalfFlags for both halves of the status record
};
inline constexpr std::uint32_t kHalfFlags = 0x80000000;
inline constexpr std::uint32_t kStatusHalfFlags = 0xB0000000;

#pragma pack(pop)

static_assert(sizeof(ChannelRecord) == 68);
static_assert(offsetof(ChannelRecord, half0) == 4);
static_assert(offsetof(ChannelRecord, bytes0) == 8);
static_assert(offsetof(ChannelRecord, status) == 20);
static_assert(offsetof(ChannelRecord, timecode0) == 28);
static_assert(offsetof(ChannelRecord, time0) == 32);
static_assert(offsetof(ChannelRecord, half1) == 36);
static_assert(offsetof(ChannelRecord, bytes1) == 40);
static_assert(offsetof(ChannelRecord, timecode1) == 60);
static_assert(offsetof(ChannelRecord, time1) == 64);
static_assert(sizeof(ChannelHalfRequest) == kChannelHalfSize);
static_assert(offsetof(ChannelHalfRequest, recordWord) == 4);
static_assert(offsetof(ChannelHalfRequest, flags) == 16);

}  // namespace quorvi
