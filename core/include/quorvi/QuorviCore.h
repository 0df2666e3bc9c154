#pragma once
// The exported interface of quorvicore.dll. Every function is imported by
// ordinal (the number in each comment); the ordinals never change. Exported
// functions return 1 for success and 0 for failure unless noted.
#include <windows.h>
#include <cstdint>
#include "quorvi/SettingsRecord.h"

namespace quorvi {

#pragma pack(push, 1)

// The setups offered in the tray's "User Setups" menu.
struct UserMenuList {
    std::int32_t count;  // 0..7
    char names[8][MAX_PATH];
    char descriptions[8][MAX_PATH];
};

// Four input masks (bits 0-15), then four output masks (bits 0-15 the main
// outputs, 16-17 the monitor pair), one word per board. The layout of the
// RsrvChannels registry value and of the channel requests.
struct ChannelMaskSet {
    std::uint32_t in[kRecordBoards];
    std::uint32_t out[kRecordBoards];
};

#pragma pack(pop)

// Every channel of one board in the mask words.
inline constexpr std::uint32_t kAllInputChannels = 0xFFFF;    // A 1-8, B 1-8
inline constexpr std::uint32_t kAllOutputChannels = 0x3FFFF;  // A 1-8, B 1-8, monitor L/R

inline constexpr int kUserMenuEntries = 7;
static_assert(sizeof(UserMenuList) == 4 + 2 * 8 * 260);
static_assert(sizeof(ChannelMaskSet) == 32);

// Results of the setup-file helpers.
enum SetupFileResult : int {
    SetupFileOk = 0,
    SetupFileCannotOpen = 1,
    SetupFileCannotRead = 2,
    SetupFileCannotWrite = 3,
};

}  // namespace quorvi

extern "C" {

// Applying settings to the boards. The third argument of QuorviDoUpdate is
// passed by callers (0 or 1) and not read.
int WINAPI QuorviDoUpdate(quorvi::SettingsRecord* record, HANDLE device, int reserved);  // 2
int WINAPI QuorviUpdateMix(quorvi::SettingsRecord* record, HANDLE device, int board);    // 17
unsigned WINAPI QuorviGetNumberBoards(HANDLE device);                                    // 18

// Meter and mixer options, edited in place by modal dialogs: 1 on OK, 0 on
// Cancel or failure, the variable unchanged unless OK.
int WINAPI QuorviSetDecayRate(int* rate);                 // 3
int WINAPI QuorviSetMetersFont(LOGFONTA* font);           // 4
int WINAPI QuorviSetReferenceLevel(int* level);           // 5
int WINAPI QuorviOpenMeters(int board);                   // 6
int WINAPI QuorviOpenFaders(int board);                   // 7
int WINAPI QuorviSetFadersFont(LOGFONTA* font);           // 8

// Registry settings: the working record and the current setup file.
int WINAPI QuorviGetRegSettings(quorvi::SettingsRecord* record, int quiet);  // 9
int WINAPI QuorviSetRegSettings(quorvi::SettingsRecord* record);            // 10

// User menu. QuorviGetUserMenu returns 1 when the list has an entry.
int WINAPI QuorviGetUserMenu(quorvi::UserMenuList* list);  // 11
void WINAPI QuorviAddUserMenu(const char* name);           // 12
void WINAPI QuorviRemoveUserMenu(const char* name);        // 13

// Clock and time code.
int WINAPI QuorviGetMasterClock();                         // 14: main clock code
int WINAPI QuorviSetMasterClock(int clock, HANDLE device); // 15
int WINAPI QuorviTimeCodeEnabled(HANDLE device);           // 16

// ASIO latency and reserved channels under HKEY_CLASSES_ROOT\key. Null
// pointers are skipped; a missing value leaves its variable as it was.
// 0 when the key cannot be opened, or a value cannot be written.
int WINAPI QuorviSetBlockLatency(const char* key, DWORD latency,
                                 const quorvi::ChannelMaskSet* reserved);  // 19
int WINAPI QuorviGetBlockLatency(const char* key, DWORD* latency, DWORD* inCoeff,
                                 DWORD* outCoeff, DWORD* inConst, DWORD* outConst,
                                 quorvi::ChannelMaskSet* reserved);        // 20

// Flat channel number to board and bit; -1 when there is no such channel.
int WINAPI QuorviInChannelIndex(int n, const std::uint32_t* inMasks);                 // 21
int WINAPI QuorviInChannelBoard(int n, const std::uint32_t* inMasks);                 // 22
int WINAPI QuorviOutChannelIndex(int n, int boards, const quorvi::ChannelMaskSet* m);  // 23
int WINAPI QuorviOutChannelBoard(int n, int boards, const quorvi::ChannelMaskSet* m);  // 24

// Lintra boards: the number of boards, or -1 without a driver.
int WINAPI LintraUpdate(quorvi::SettingsRecord* record);           // 25
int WINAPI LintraUpdateLiveSetup(quorvi::SettingsRecord* record);  // 26

// Setup-file helpers for the Setups page. Files live in the system
// directory; a name with a drive, a separator, ".." or a device name (such
// as "nul.ssf") is never used.
// QuorviSetupFilePath: 1 and the full path when name is a plain file name.
int WINAPI QuorviSetupFilePath(const char* name, char* path, int size);  // 101
// Reads a whole record from the named file; the record changes only when
// all of it was read. Returns a SetupFileResult.
int WINAPI QuorviReadSetupFile(const char* name, quorvi::SettingsRecord* record);  // 102
// Writes the record to the full path (created if missing, not truncated),
// then stores the file's last-write time in the record. SetupFileResult.
int WINAPI QuorviSaveSetupFile(const char* path, quorvi::SettingsRecord* record);  // 103
// The full path of the record's own file; an unsafe fileName is replaced by
// the factory file name first (and the user told once).
int WINAPI QuorviRecordFilePath(quorvi::SettingsRecord* record, char* path, int size);  // 104

}  // extern "C"
