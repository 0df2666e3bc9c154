#pragma once
// How the kernel driver presents a board to Windows as wave and MIDI
// devices: the counts and name formats in the driver's service key, which
// it reads at system start. Free of windows.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace panel {

inline constexpr const char* kDriverServiceKey = "SYSTEM\\CurrentControlSet\\Services\\QuorviNT";
inline constexpr int kDeviceEntries = 25;
// The driver reads a name into 32 bytes.
inline constexpr std::size_t kMaxDeviceName = 31;
inline constexpr int kMaxMonoDevices = 16;
inline constexpr int kMaxStereoDevices = 8;

enum class DeviceSide { Input, Output };

// Entry i of a device list: 0-15 mono, 16-23 stereo, 24 the MTC input or
// the monitor output.
struct DeviceEntry {
    std::string listText;
    std::string defaultName;
    std::string subkey;      // below the board's key, or the service key when shared
    bool sharedByBoards;     // the MTC input: one for all boards
    int deviceNumber;        // the second number of the name
};
DeviceEntry DeviceEntryAt(DeviceSide side, int index);

// A typed name format as the driver can use it: the first two '%' each
// introduce "%d" (another character after one becomes 'd', a '%' at the end
// gets one), every further '%' becomes a blank, and the result fits the
// driver's buffer.
std::string SanitiseNameFormat(std::string_view typed);
// The name the driver will form: the format, made safe as above, with the
// board number and the device number in its two places.
std::string DeviceNamePreview(std::string_view format, int boardNumber, int deviceNumber);

struct DeviceAppearance {
    int monoIn = 0, stereoIn = 0, monoOut = 0, stereoOut = 0;
    int monitorEnable = 0;
    std::array<std::string, kDeviceEntries> inputNames, outputNames;

    DeviceAppearance();
    void RestoreDefaultNames(DeviceSide side);
    std::array<std::string, kDeviceEntries>& names(DeviceSide side) {
        return side == DeviceSide::Input ? inputNames : outputNames;
    }
    const std::array<std::string, kDeviceEntries>& names(DeviceSide side) const {
        return side == DeviceSide::Input ? inputNames : outputNames;
    }
};

// Takes what the board's keys hold, with the defaults (no devices, the
// default names) for values that are missing, so edits never saved are
// dropped. False, and the values left alone, when the keys cannot be opened.
bool ReadDeviceAppearance(int board, DeviceAppearance& appearance);
// Stores everything; false when any of it could not be stored (no driver
// installed, or no right to change its key).
bool WriteDeviceAppearance(int board, const DeviceAppearance& appearance);

}  // namespace panel
