#include "DeviceAppearance.h"
#include "win/RegKey.h"
#include <algorithm>

namespace panel {

namespace {

constexpr const char* kNameValue = "DeviceName";
// Longer names are read whole and cut, so the page shows what is there.
constexpr std::size_t kReadableName = 255;

std::string Numbered(const char* text, int n) { return text + std::to_string(n); }

std::string BoardKey(int board) { return Numbered("QuorviBoard", board); }

struct CountValue {
    const char* name;
    int DeviceAppearance::*member;
    int maximum;
};
constexpr CountValue kCounts[] = {
    {"nMonoInDevices", &DeviceAppearance::monoIn, kMaxMonoDevices},
    {"nStereoInDevices", &DeviceAppearance::stereoIn, kMaxStereoDevices},
    {"nMonoOutDevices", &DeviceAppearance::monoOut, kMaxMonoDevices},
    {"nStereoOutDevices", &DeviceAppearance::stereoOut, kMaxStereoDevices},
    {"MonitorDeviceEnable", &DeviceAppearance::monitorEnable, 1},
};

void ReadName(const win::RegKey& parent, const std::string& subkey, std::string& name) {
    win::RegKey key = win::RegKey::Open(parent.get(), subkey.c_str());
    if (!key) return;
    if (auto value = key.queryString(kNameValue, kReadableName))
        name = value->substr(0, kMaxDeviceName);
}

bool WriteName(const win::RegKey& parent, const std::string& subkey, const std::string& name) {
    win::RegKey key = win::RegKey::Create(parent.get(), subkey.c_str());
    return key && key.setString(kNameValue, name.substr(0, kMaxDeviceName));
}

}  // namespace

DeviceEntry DeviceEntryAt(DeviceSide side, int index) {
    const bool in = side == DeviceSide::Input;
    if (index < 16) {
        const std::string n = std::to_string(index + 1);
        return {in ? "QUORVI Wave Mono In " + std::string(index < 9 ? " " : "") + n
                   : "QUORVI Wave Mono Out  " + n,
                in ? "Quelmar QUORVI %d Mono In%d" : "Quelmar QUORVI %d Mono Out%d",
                Numbered(in ? "MonoIn" : "MonoOut", index), false, index + 1};
    }
    if (index < 24) {
        const std::string n = std::to_string(index - 15);
        return {(in ? "QUORVI Wave Stereo In  " : "QUORVI Wave Stereo Out  ") + n,
                in ? "Quelmar QUORVI %d Stereo In%d" : "Quelmar QUORVI %d Stereo Out%d",
                Numbered(in ? "StereoIn" : "StereoOut", index - 16), false, index - 15};
    }
    if (in) return {"QUORVI MIDI MTC In", "Quelmar QUORVI MTC In", "QuorviMTC", true, 1};
    return {"QUORVI Wave Monitor Out", "Quelmar QUORVI %d Monitor Out", "MonitorOut", false, 1};
}

std::string SanitiseNameFormat(std::string_view typed) {
    std::string name(typed);
    int conversions = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') continue;
        if (conversions == 2) {
            name[i] = ' ';
            continue;
        }
        ++conversions;
        if (i + 1 == name.size()) name += 'd';
        else name[i + 1] = 'd';
        ++i;
    }
    if (name.size() > kMaxDeviceName) {
        // Only an appended 'd' can overflow: the lone '%' it completed goes.
        name.resize(kMaxDeviceName);
        if (name.back() == '%') name.back() = ' ';
    }
    return name;
}

std::string DeviceNamePreview(std::string_view format, int boardNumber, int deviceNumber) {
    const std::string safe = SanitiseNameFormat(format);
    const int numbers[] = {boardNumber, deviceNumber};
    std::string out;
    int used = 0;
    for (std::size_t i = 0; i < safe.size(); ++i) {
        if (safe[i] == '%') {
            out += std::to_string(numbers[used++]);
            ++i;   // the 'd'
        } else {
            out += safe[i];
        }
    }
    return out;
}

DeviceAppearance::DeviceAppearance() {
    RestoreDefaultNames(DeviceSide::Input);
    RestoreDefaultNames(DeviceSide::Output);
}

void DeviceAppearance::RestoreDefaultNames(DeviceSide side) {
    auto& list = names(side);
    for (int i = 0; i < kDeviceEntries; ++i) list[i] = DeviceEntryAt(side, i).defaultName;
}

bool ReadDeviceAppearance(int board, DeviceAppearance& appearance) {
    win::RegKey service = win::RegKey::Open(HKEY_LOCAL_MACHINE, kDriverServiceKey);
    if (!service) return false;
    win::RegKey boardKey = win::RegKey::Open(service.get(), BoardKey(board).c_str());
    if (!boardKey) return false;
    DeviceAppearance stored;
    for (const CountValue& c : kCounts)
        if (auto value = boardKey.queryDword(c.name))
            stored.*c.member = static_cast<int>(std::min<DWORD>(*value, c.maximum));
    for (DeviceSide side : {DeviceSide::Input, DeviceSide::Output}) {
        for (int i = 0; i < kDeviceEntries; ++i) {
            const DeviceEntry entry = DeviceEntryAt(side, i);
            ReadName(entry.sharedByBoards ? service : boardKey, entry.subkey, stored.names(side)[i]);
        }
    }
    appearance = stored;
    return true;
}

bool WriteDeviceAppearance(int board, const DeviceAppearance& appearance) {
    // The service key is the driver's: without it there is nothing to configure.
    win::RegKey service = win::RegKey::Open(HKEY_LOCAL_MACHINE, kDriverServiceKey, KEY_ALL_ACCESS);
    if (!service) return false;
    win::RegKey boardKey = win::RegKey::Create(service.get(), BoardKey(board).c_str());
    if (!boardKey) return false;
    bool stored = true;
    for (const CountValue& c : kCounts)
        stored &= boardKey.setDword(c.name, static_cast<DWORD>(appearance.*c.member));
    for (DeviceSide side : {DeviceSide::Input, DeviceSide::Output}) {
        for (int i = 0; i < kDeviceEntries; ++i) {
            const DeviceEntry entry = DeviceEntryAt(side, i);
            stored &= WriteName(entry.sharedByBoards ? service : boardKey, entry.subkey, appearance.names(side)[i]);
        }
    }
    return stored;
}

}  // namespace panel
