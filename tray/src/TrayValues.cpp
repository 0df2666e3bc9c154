#include "TrayValues.h"

#include <cstdio>

#include "win/RegKey.h"

namespace tray {

namespace {

constexpr const char* kMakerKey = "SOFTWARE\\Quelmar";

win::RegKey MakerKey() { return win::RegKey::Create(HKEY_LOCAL_MACHINE, kMakerKey); }

}  // namespace

void ForgetControlPanelPage() { MakerKey().deleteValue("ControlPanelPage"); }

void StoreShutdownMessage(UINT message) { MakerKey().setDword("ShutdownMessage", message); }

void StoreCalibration(int board, std::uint32_t ticks) {
    char name[16];
    std::snprintf(name, sizeof name, "Ticks%d", board);
    MakerKey().setDword(name, ticks);
}

void StoreCalibrationSamples(std::uint32_t samples) { MakerKey().setDword("Samples", samples); }

void StoreSampleRate(DWORD rateBits, DWORD clock) {
    win::RegKey key = MakerKey();
    key.setDword("SampleRate", rateBits);
    key.setDword("ClockSource", clock);
}

std::optional<std::uint32_t> TakeBootResults() {
    win::RegKey key = MakerKey();
    std::optional<DWORD> value = key.queryDword("QuorviStatus");
    if (value) key.deleteValue("QuorviStatus");
    return value;
}

bool PunchOffered() { return win::RegKey::Open(HKEY_LOCAL_MACHINE, kMakerKey).hasValue("Koriad"); }

}  // namespace tray
