#pragma once
// The settings record shared by every Quorvi program. The same 21,716 bytes
// are the content of a setup file, so every offset below is a file format:
// packed, little-endian, nothing before or after it.
#include <windows.h>
#include <cstddef>
#include <cstdint>

namespace quorvi {

inline constexpr std::int32_t kRecordVersion = 22;
inline constexpr int kRecordBoards = 4;
inline constexpr int kLintraBoards = 4;
inline constexpr int kFormats = 10;
inline constexpr int kGroupChannels = 16;
inline constexpr int kLabels = 34;
inline constexpr int kLabelSize = 24;
inline constexpr int kDescriptionSize = 82;
inline constexpr int kFileNameSize = 134;
inline constexpr int kMaxLevelIndex = 68;
inline constexpr int kMaxPanIndex = 21;

#pragma pack(push, 1)

struct BoardPanelBlock {
    std::int32_t statusMask;
    std::int32_t showInputMeters;
    std::int32_t showOutputMeters;
    std::int32_t showMasterMeters;
    std::int32_t metersOnTop;
    std::int32_t reserved20;
    std::int32_t metersLeft;
    std::int32_t metersTop;
    std::uint8_t meterDisplayMode;
    std::uint8_t meterRange;
    std::uint8_t meterLabelMode;
    std::uint8_t reserved35;
    std::int32_t referenceLevel;
    std::int32_t decayRate;
    LOGFONTA metersFont;
    std::uint8_t reserved104[34];
    // Inputs 1-16, outputs 1-16, master left/right, back to back.
    char meterLabels[kLabels][kLabelSize];
    std::uint8_t reserved954[2];
    std::int32_t showInputFaders;
    std::int32_t showOutputFaders;
    std::int32_t showMasterFaders;
    std::int32_t fadersOnTop;
    std::int32_t reserved972;
    std::int32_t fadersLeft;
    std::int32_t fadersTop;
    std::uint8_t faderLabelMode;
    std::uint8_t reserved985[3];
    LOGFONTA fadersFont;
    std::uint8_t reserved1048[34];
    char faderLabels[kLabels][kLabelSize];
    std::uint8_t reserved1898[2];
    // Group A = the 16 inputs, group B = the 16 outputs; each run lies in
    // fader order (0-15 inputs, 16-31 outputs, 32-33 masters).
    std::int32_t soloA[kGroupChannels];
    std::int32_t soloB[kGroupChannels];
    std::int32_t muteA[kGroupChannels];
    std::int32_t muteB[kGroupChannels];
    std::int32_t masterMute[2];
    std::int32_t panA[kGroupChannels];
    std::int32_t panB[kGroupChannels];
    std::int32_t masterLevel[2];
};

struct BoardDeviceBlock {
    std::int32_t inputReproMode;
    std::int32_t reserved4;
    std::int32_t hiRateBits;
    std::uint8_t format;
    std::uint8_t reserved13[7];
    std::uint8_t mainClock[kFormats];
    std::uint8_t srcClock[kFormats];
    std::int32_t varispeed[kFormats];
    // Destination 1 left, destination 2 left, destination 1 right,
    // destination 2 right.
    std::int32_t monitorDest[4][kFormats];
    std::int32_t phaseRevInA[kFormats];
    std::int32_t phaseRevInB[kFormats];
    std::int32_t phaseRevOutA[kFormats];
    std::int32_t phaseRevOutB[kFormats];
    std::int32_t lowRateMode[kFormats];
    std::int32_t ditherOff[kFormats];
    std::int32_t dacLevels[kFormats];
    std::uint8_t inRoute[kFormats][kGroupChannels];
    std::uint8_t outRoute[kFormats][kGroupChannels];
    std::int32_t levelA[kGroupChannels];
    std::int32_t levelB[kGroupChannels];
};

// Sent whole to the driver with QUORVI_SYS_UPDATE.
struct DeviceBlock {
    std::int32_t version;
    std::int32_t masterBoard;
    std::int32_t playAllOnFirstPlay;
    std::int32_t recordAllOnFirstRecord;
    std::int32_t latencyIndex;
    std::int16_t reserved20;
    std::int16_t mtcSettings;
    BoardDeviceBlock boards[kRecordBoards];
};

// Status fields hold the masked bit value (zero or the bit), not 0/1.
struct LintraBlock {
    std::int32_t reserved0;
    std::int32_t rateCode;
    std::uint8_t reserved8[8];
    std::int32_t statusZero;
    std::int32_t status0Bit02;
    std::int32_t status1Bits[4];  // 0x10, 0x20, 0x40, 0x80
    std::int32_t status2Bit04Clear;
    std::int32_t status2Bit01;
    std::int32_t status2Bit02;
    std::uint8_t reserved52[8];
    std::int32_t status0Bit10;
    std::int32_t status0Bit08;
    std::int32_t status0Bit20;
    std::uint8_t micGains[2];
    std::uint8_t reserved74[138];
    std::uint8_t deviceInfo[324];
};

struct SettingsRecord {
    std::int32_t version;
    std::int32_t eraseProtect;
    char description[kDescriptionSize];
    char fileName[kFileNameSize];
    FILETIME fileTime;
    std::int32_t trayIconOnBoot;
    std::int32_t punchTime;
    std::int32_t punchTimecodeUnits;
    std::int32_t punchInterfaceType;
    std::int32_t preserveMixLevels;
    BoardPanelBlock boards[kRecordBoards];
    std::uint8_t reserved9452[6224];
    DeviceBlock device;
    LintraBlock lintra[kLintraBoards];
};

// The driver's per-board mix parameter block, 69 words.
struct ParameterBlock {
    std::uint32_t gainB[2 * kGroupChannels];  // left/right pairs, outputs
    std::uint32_t masterGain[2];
    std::uint32_t gainA[2 * kGroupChannels];  // left/right pairs, inputs
    std::uint32_t options;                    // bit 7 = high-rate bit
    std::uint32_t driverWords[2];             // written back as read
};

#pragma pack(pop)

inline constexpr std::uint32_t kHiRateBit = 0x80;

static_assert(sizeof(LOGFONTA) == 60);
static_assert(sizeof(FILETIME) == 8);

static_assert(offsetof(SettingsRecord, version) == 0);
static_assert(offsetof(SettingsRecord, eraseProtect) == 4);
static_assert(offsetof(SettingsRecord, description) == 8);
static_assert(offsetof(SettingsRecord, fileName) == 90);
static_assert(offsetof(SettingsRecord, fileTime) == 224);
static_assert(offsetof(SettingsRecord, trayIconOnBoot) == 232);
static_assert(offsetof(SettingsRecord, punchTime) == 236);
static_assert(offsetof(SettingsRecord, punchTimecodeUnits) == 240);
static_assert(offsetof(SettingsRecord, punchInterfaceType) == 244);
static_assert(offsetof(SettingsRecord, preserveMixLevels) == 248);
static_assert(offsetof(SettingsRecord, boards) == 252);
static_assert(offsetof(SettingsRecord, reserved9452) == 9452);
static_assert(offsetof(SettingsRecord, device) == 15676);
static_assert(offsetof(SettingsRecord, lintra) == 19572);
static_assert(sizeof(SettingsRecord) == 21716);

static_assert(offsetof(BoardPanelBlock, statusMask) == 0);
static_assert(offsetof(BoardPanelBlock, showInputMeters) == 4);
static_assert(offsetof(BoardPanelBlock, showOutputMeters) == 8);
static_assert(offsetof(BoardPanelBlock, showMasterMeters) == 12);
static_assert(offsetof(BoardPanelBlock, metersOnTop) == 16);
static_assert(offsetof(BoardPanelBlock, reserved20) == 20);
static_assert(offsetof(BoardPanelBlock, metersLeft) == 24);
static_assert(offsetof(BoardPanelBlock, metersTop) == 28);
static_assert(offsetof(BoardPanelBlock, meterDisplayMode) == 32);
static_assert(offsetof(BoardPanelBlock, meterRange) == 33);
static_assert(offsetof(BoardPanelBlock, meterLabelMode) == 34);
static_assert(offsetof(BoardPanelBlock, reserved35) == 35);
static_assert(offsetof(BoardPanelBlock, referenceLevel) == 36);
static_assert(offsetof(BoardPanelBlock, decayRate) == 40);
static_assert(offsetof(BoardPanelBlock, metersFont) == 44);
static_assert(offsetof(BoardPanelBlock, reserved104) == 104);
static_assert(offsetof(BoardPanelBlock, meterLabels) == 138);
static_assert(offsetof(BoardPanelBlock, meterLabels) + 16 * kLabelSize == 522);
static_assert(offsetof(BoardPanelBlock, meterLabels) + 32 * kLabelSize == 906);
static_assert(offsetof(BoardPanelBlock, reserved954) == 954);
static_assert(offsetof(BoardPanelBlock, showInputFaders) == 956);
static_assert(offsetof(BoardPanelBlock, showOutputFaders) == 960);
static_assert(offsetof(BoardPanelBlock, showMasterFaders) == 964);
static_assert(offsetof(BoardPanelBlock, fadersOnTop) == 968);
static_assert(offsetof(BoardPanelBlock, reserved972) == 972);
static_assert(offsetof(BoardPanelBlock, fadersLeft) == 976);
static_assert(offsetof(BoardPanelBlock, fadersTop) == 980);
static_assert(offsetof(BoardPanelBlock, faderLabelMode) == 984);
static_assert(offsetof(BoardPanelBlock, reserved985) == 985);
static_assert(offsetof(BoardPanelBlock, fadersFont) == 988);
static_assert(offsetof(BoardPanelBlock, reserved1048) == 1048);
static_assert(offsetof(BoardPanelBlock, faderLabels) == 1082);
static_assert(offsetof(BoardPanelBlock, reserved1898) == 1898);
static_assert(offsetof(BoardPanelBlock, soloA) == 1900);
static_assert(offsetof(BoardPanelBlock, soloB) == 1964);
static_assert(offsetof(BoardPanelBlock, muteA) == 2028);
static_assert(offsetof(BoardPanelBlock, muteB) == 2092);
static_assert(offsetof(BoardPanelBlock, masterMute) == 2156);
static_assert(offsetof(BoardPanelBlock, panA) == 2164);
static_assert(offsetof(BoardPanelBlock, panB) == 2228);
static_assert(offsetof(BoardPanelBlock, masterLevel) == 2292);
static_assert(sizeof(BoardPanelBlock) == 2300);

static_assert(offsetof(DeviceBlock, version) == 0);
static_assert(offsetof(DeviceBlock, masterBoard) == 4);
static_assert(offsetof(DeviceBlock, playAllOnFirstPlay) == 8);
static_assert(offsetof(DeviceBlock, recordAllOnFirstRecord) == 12);
static_assert(offsetof(DeviceBlock, latencyIndex) == 16);
static_assert(offsetof(DeviceBlock, reserved20) == 20);
static_assert(offsetof(DeviceBlock, mtcSettings) == 22);
static_assert(offsetof(DeviceBlock, boards) == 24);
static_assert(sizeof(DeviceBlock) == 3896);
static_assert(offsetof(SettingsRecord, device) + offsetof(DeviceBlock, boards) == 15700);

static_assert(offsetof(BoardDeviceBlock, inputReproMode) == 0);
static_assert(offsetof(BoardDeviceBlock, reserved4) == 4);
static_assert(offsetof(BoardDeviceBlock, hiRateBits) == 8);
static_assert(offsetof(BoardDeviceBlock, format) == 12);
static_assert(offsetof(BoardDeviceBlock, reserved13) == 13);
static_assert(offsetof(BoardDeviceBlock, mainClock) == 20);
static_assert(offsetof(BoardDeviceBlock, srcClock) == 30);
static_assert(offsetof(BoardDeviceBlock, varispeed) == 40);
static_assert(offsetof(BoardDeviceBlock, monitorDest) == 80);
static_assert(offsetof(BoardDeviceBlock, monitorDest[1]) == 120);
static_assert(offsetof(BoardDeviceBlock, monitorDest[2]) == 160);
static_assert(offsetof(BoardDeviceBlock, monitorDest[3]) == 200);
static_assert(offsetof(BoardDeviceBlock, phaseRevInA) == 240);
static_assert(offsetof(BoardDeviceBlock, phaseRevInB) == 280);
static_assert(offsetof(BoardDeviceBlock, phaseRevOutA) == 320);
static_assert(offsetof(BoardDeviceBlock, phaseRevOutB) == 360);
static_assert(offsetof(BoardDeviceBlock, lowRateMode) == 400);
static_assert(offsetof(BoardDeviceBlock, ditherOff) == 440);
static_assert(offsetof(BoardDeviceBlock, dacLevels) == 480);
static_assert(offsetof(BoardDeviceBlock, inRoute) == 520);
static_assert(offsetof(BoardDeviceBlock, outRoute) == 680);
static_assert(offsetof(BoardDeviceBlock, levelA) == 840);
static_assert(offsetof(BoardDeviceBlock, levelB) == 904);
static_assert(sizeof(BoardDeviceBlock) == 968);

static_assert(offsetof(LintraBlock, reserved0) == 0);
static_assert(offsetof(LintraBlock, rateCode) == 4);
static_assert(offsetof(LintraBlock, reserved8) == 8);
static_assert(offsetof(LintraBlock, statusZero) == 16);
static_assert(offsetof(LintraBlock, status0Bit02) == 20);
static_assert(offsetof(LintraBlock, status1Bits) == 24);
static_assert(offsetof(LintraBlock, status2Bit04Clear) == 40);
static_assert(offsetof(LintraBlock, status2Bit01) == 44);
static_assert(offsetof(LintraBlock, status2Bit02) == 48);
static_assert(offsetof(LintraBlock, reserved52) == 52);
static_assert(offsetof(LintraBlock, status0Bit10) == 60);
static_assert(offsetof(LintraBlock, status0Bit08) == 64);
static_assert(offsetof(LintraBlock, status0Bit20) == 68);
static_assert(offsetof(LintraBlock, micGains) == 72);
static_assert(offsetof(LintraBlock, reserved74) == 74);
static_assert(offsetof(LintraBlock, deviceInfo) == 212);
static_assert(sizeof(LintraBlock) == 536);

static_assert(offsetof(ParameterBlock, gainB) == 0);
static_assert(offsetof(ParameterBlock, masterGain) == 32 * 4);
static_assert(offsetof(ParameterBlock, gainA) == 34 * 4);
static_assert(offsetof(ParameterBlock, options) == 66 * 4);
static_assert(offsetof(ParameterBlock, driverWords) == 67 * 4);
static_assert(sizeof(ParameterBlock) == 276);

// Accessors that keep a board index inside the record: an index from a
// caller or a file never addresses past the four blocks.
inline bool ValidBoard(int board) { return board >= 0 && board < kRecordBoards; }
inline int ClampBoard(int board) {
    return board < 0 ? 0 : board >= kRecordBoards ? kRecordBoards - 1 : board;
}
// Level and pan indexes from a file are read as the displays read them.
inline int ClampLevel(std::int32_t index) {
    return index < 0 ? 0 : index > kMaxLevelIndex ? kMaxLevelIndex : index;
}
inline int ClampPan(std::int32_t index) {
    return index < 0 ? 0 : index > kMaxPanIndex ? kMaxPanIndex : index;
}

}  // namespace quorvi
