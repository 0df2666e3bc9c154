// Latency, clock and time-code services for the ASIO driver and asiopanel.
#include <memory>
#include <string>

#include "CoreStrings.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/ExceptionGuard.h"
#include "win/RegKey.h"

using namespace quorvi;

namespace {

// The driver's class key; a missing name would address the root itself.
win::RegKey OpenClassKey(const char* key, REGSAM access) {
    if (!key || !*key) return win::RegKey();
    return win::RegKey::Open(HKEY_CLASSES_ROOT, key, access);
}

void QueryDword(const win::RegKey& key, const char* name, DWORD* out) {
    if (!out) return;
    if (auto value = key.queryDword(name)) *out = *value;
}

// The master board's clock byte for its current format; null when the
// record's format lies outside the per-format arrays.
std::uint8_t* MasterClock(SettingsRecord& record) {
    BoardDeviceBlock& board = record.device.boards[ClampBoard(record.device.masterBoard)];
    return board.format < kFormats ? &board.mainClock[board.format] : nullptr;
}

}  // namespace

extern "C" int WINAPI QuorviSetBlockLatency(const char* key, DWORD latency,
                                            const ChannelMaskSet* reserved) {
    return win::RunGuarded(0, [&] {
        win::RegKey driver = OpenClassKey(key, KEY_WRITE);
        if (!driver) return 0;
        // A value that could not be written is a failure too, not only a
        // key that could not be opened.
        bool stored = driver.setDword("BlockLatency", latency);
        if (stored && reserved) stored = driver.setBinary("RsrvChannels", reserved, sizeof *reserved);
        return stored ? 1 : 0;
    });
}

extern "C" int WINAPI QuorviGetBlockLatency(const char* key, DWORD* latency, DWORD* inCoeff,
                                            DWORD* outCoeff, DWORD* inConst, DWORD* outConst,
                                            ChannelMaskSet* reserved) {
    return win::RunGuarded(0, [&] {
        win::RegKey driver = OpenClassKey(key, KEY_READ);
        if (!driver) return 0;
        QueryDword(driver, "BlockLatency", latency);
        QueryDword(driver, "i_CoeffBLatency", inCoeff);
        QueryDword(driver, "o_CoeffBLatency", outCoeff);
        QueryDword(driver, "i_ConstSLatency", inConst);
        QueryDword(driver, "o_ConstSLatency", outConst);
        if (reserved) driver.queryBinary("RsrvChannels", reserved, sizeof *reserved);
        return 1;
    });
}

extern "C" int WINAPI QuorviGetMasterClock() {
    return win::RunGuarded(0, [] {
        auto record = std::make_unique<SettingsRecord>();
        QuorviGetRegSettings(record.get(), 1);
        std::uint8_t* clock = MasterClock(*record);
        return clock ? static_cast<int>(*clock) : 0;
    });
}

extern "C" int WINAPI QuorviSetMasterClock(int clock, HANDLE device) {
    return win::RunGuarded(0, [&] {
        // The update's tray message carries the record's address, which
        // therefore outlives the call.
        static SettingsRecord record;
        QuorviGetRegSettings(&record, 1);
        std::uint8_t* byte = MasterClock(record);
        if (!byte) return 0;
        *byte = static_cast<std::uint8_t>(clock);
        QuorviSetRegSettings(&record);
        return QuorviDoUpdate(&record, device, 1);
    });
}

extern "C" int WINAPI QuorviTimeCodeEnabled(HANDLE device) {
    return win::RunGuarded(0, [&] {
        std::uint32_t setup[kSysSetupSize / 4] = {};
        if (!RequestOrReport(device, QUORVI_GET_SYS_SETUP, nullptr, 0, setup, sizeof setup,
                             IDS_GET_SYS_SETUP_FAILED)) {
            return 0;
        }
        return (setup[kSysSetupTimeCodeWord] & kSysSetupTimeCodeBits) != 0 ? 1 : 0;
    });
}
