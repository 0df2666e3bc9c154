#pragma once
// The tray's values under HKEY_LOCAL_MACHINE\SOFTWARE\Quelmar.
#include <windows.h>

#include <cstdint>
#include <optional>

namespace tray {

// The applet opens on its first page again after a start of the tray.
void ForgetControlPanelPage();
// Where other programs find the number of "QUORVI SHUTDOWN".
void StoreShutdownMessage(UINT message);
// The calibration of one board (Ticks0-Ticks3) and the readings it sums.
void StoreCalibration(int board, std::uint32_t ticks);
void StoreCalibrationSamples(std::uint32_t samples);
// The rate and main clock announced last, for the ASIO driver.
void StoreSampleRate(DWORD rateBits, DWORD clock);
// The driver's boot results, once: the value is deleted when read.
std::optional<std::uint32_t> TakeBootResults();
// Whether the punch-in command is offered.
bool PunchOffered();

// The synchroniser's delay compensation for the punch-in's interface type
// (0 digital ADAT, 100 analogue ADAT, 200 O2R, 1 custom). Missing values of
// the three known interfaces are stored with their defaults; custom values
// are only read; other types keep the defaults.
struct DelayCompensation {
    std::int32_t inputSample = 4;
    std::int32_t inputBlock = 1;
    std::int32_t outputSample = 38;
    std::int32_t outputBlock = -1;
};
DelayCompensation ReadDelayCompensation(int interfaceType);

}  // namespace tray
