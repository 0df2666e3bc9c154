// quorvicore.dll through its exports, against hostile setup files, registry
// values and driver replies: every call returns, the working record and the
// stored configuration stay usable, files not addressed stay as they were,
// and every box shows one of the core's own texts.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzKit.h"
#include "Hostile.h"
#include "quorvi/DriverClsids.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace quorvi;
using fuzz::Bytes;
using fuzz::Rng;

namespace {

const char kSetupsKey[] = "Software\\Quelmar\\Setups";
const char kQuelmarKey[] = "Software\\Quelmar";
const char* const kLatencyKey = kAsioDriverKey.data();
// A file no input addresses by name: it must never change.
const char kBystander[] = "bystander.ssf";

const char* const kNames[] = {"factory.ssf", "FACTORY.SSF", "user.ssf", "nul.ssf", "com1.ssf",
                              "..\\user.ssf", "c:\\user.ssf", "", "user", "user.ssf ", "con"};

// Bytes for a fault's note, one line.
std::string Printable(const Bytes& data) {
    std::string text;
    for (std::uint8_t b : data) {
        if (text.size() > 60) return text + "...";
        text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '~';
    }
    return text;
}

Bytes RecordBytes(const SettingsRecord& r) {
    auto p = reinterpret_cast<const std::uint8_t*>(&r);
    return Bytes(p, p + sizeof r);
}

class CoreFuzz {
public:
    explicit CoreFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        texts_.AddModule(GetModuleHandleA("quorvicore.dll"));
        Clear();
        auto record = std::make_unique<SettingsRecord>();
        QuorviGetRegSettings(record.get(), 1);
        base_ = RecordBytes(*record);
        boxes_.Take();
        boards_.control("boards 2");
        boards_.control("lintra 2");
        device_ = win::Device(kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
        bystander_ = base_;
        std::memcpy(bystander_.data() + offsetof(SettingsRecord, fileName), kBystander, sizeof kBystander);
    }
    ~CoreFuzz() { Clear(); }

    void Input(Rng& rng) {
        fuzz::WriteBytes(fuzz::SystemPath(kBystander), bystander_);
        switch (rng.below(6)) {
        case 0: LoadWorkingRecord(rng); break;
        case 1: StoreWorkingRecord(rng); break;
        case 2: UserMenu(rng); break;
        case 3: Latency(rng); break;
        case 4: DriverReplies(rng); break;
        default: ChannelMaps(rng); break;
        }
        campaign_.CheckBoxes(texts_, boxes_.Take(), "the core's");
        if (fuzz::ReadBytes(fuzz::SystemPath(kBystander)) != bystander_) campaign_.Fault("a file no one named changed");
    }

private:
    void Clear() {
        fuzz::DeleteKeyTree(HKEY_CURRENT_USER, kQuelmarKey);
        fuzz::DeleteKeyTree(HKEY_CLASSES_ROOT, kLatencyKey);
        fuzz::DeleteSystemFiles("*.ssf");
    }

    Bytes HostileRecord(Rng& rng) {
        Bytes record = base_;
        fuzz::Mutate(rng, record, sizeof(SettingsRecord));
        record.resize(sizeof(SettingsRecord));
        if (rng.chance(3)) {
            std::string name = rng.chance(2) ? kNames[rng.below(std::size(kNames))] : rng.text(140);
            std::memset(record.data() + offsetof(SettingsRecord, fileName), 'Z', kFileNameSize);
            std::memcpy(record.data() + offsetof(SettingsRecord, fileName), name.data(),
                        std::min<std::size_t>(name.size() + 1, kFileNameSize));
        }
        return record;
    }

    // Some setup file: missing, whole, cut short, too long, of another
    // version, or arbitrary bytes.
    void PlaceFile(Rng& rng, const std::string& name) {
        std::string path = fuzz::SystemPath(name);
        std::uint32_t kind = rng.below(5);
        campaign_.Note(name + " kind " + std::to_string(kind));
        switch (kind) {
        case 0: DeleteFileA(path.c_str()); return;
        case 1: fuzz::WriteBytes(path, base_); return;
        case 2: fuzz::WriteBytes(path, rng.bytes(rng.below(30000))); return;
        default: {
            Bytes record = HostileRecord(rng);
            if (rng.chance(2)) record[0] = 22;
            if (rng.chance(4)) record.resize(rng.below(sizeof(SettingsRecord) + 100), 0);
            fuzz::WriteBytes(path, record);
        }
        }
    }

    void PlaceCurrent(Rng& rng) {
        fuzz::RegData value;
        switch (rng.below(4)) {
        case 0: fuzz::DeleteRegData(HKEY_CURRENT_USER, kSetupsKey, "Current"); return campaign_.Note("no Current");
        case 1: value = fuzz::RandomRegData(rng, 400); break;
        default:
            value = fuzz::StringData(kNames[rng.below(std::size(kNames))], rng.chance(4) ? REG_EXPAND_SZ : REG_SZ);
        }
        fuzz::SetRegData(HKEY_CURRENT_USER, kSetupsKey, "Current", value);
        campaign_.Note("Current type " + std::to_string(value.type) + " '" + Printable(value.data) + "'");
    }

    // After any load: a version-22 record that names a plain file, and a
    // Current value that names a readable version-22 file.
    void CheckConfiguration(const SettingsRecord& record) {
        if (record.version != kRecordVersion) campaign_.Fault("the working record is not of version 22");
        char path[MAX_PATH];
        SettingsRecord copy = record;
        if (!QuorviSetupFilePath(copy.fileName, path, sizeof path))
            campaign_.Fault("the working record names no plain file");
        auto current = fuzz::GetRegData(HKEY_CURRENT_USER, kSetupsKey, "Current");
        if (!current || (current->type != REG_SZ && current->type != REG_EXPAND_SZ))
            return campaign_.Fault("Current is missing after a load");
        std::string name(current->data.begin(), current->data.end());
        name = name.substr(0, name.find('\0'));
        auto stored = std::make_unique<SettingsRecord>();
        if (QuorviReadSetupFile(name.c_str(), stored.get()) != SetupFileOk || stored->version != kRecordVersion)
            campaign_.Fault("Current names '" + name + "', which holds no version-22 record");
    }

    void LoadWorkingRecord(Rng& rng) {
        PlaceCurrent(rng);
        PlaceFile(rng, "factory.ssf");
        PlaceFile(rng, "user.ssf");
        auto record = std::make_unique<SettingsRecord>();
        std::memset(record.get(), 0xCD, sizeof *record);
        if (QuorviGetRegSettings(record.get(), static_cast<int>(rng.below(2))) != 1)
            campaign_.Fault("QuorviGetRegSettings failed");
        CheckConfiguration(*record);
    }

    void StoreWorkingRecord(Rng& rng) {
        Bytes bytes = HostileRecord(rng);
        auto record = std::make_unique<SettingsRecord>();
        std::memcpy(record.get(), bytes.data(), sizeof *record);
        campaign_.Note("store as '" + Printable(Bytes(record->fileName, record->fileName + kFileNameSize)) + "'");
        if (QuorviSetRegSettings(record.get()) != 1) campaign_.Fault("QuorviSetRegSettings failed");
        char path[MAX_PATH];
        if (!QuorviRecordFilePath(record.get(), path, sizeof path)) return campaign_.Fault("no path for the record");
        auto written = fuzz::ReadBytes(path);
        if (!written || written->size() < sizeof *record ||
            std::memcmp(written->data(), record.get(), sizeof *record) != 0)
            campaign_.Fault("the stored file does not hold the record");
        if (rng.chance(2)) {
            auto loaded = std::make_unique<SettingsRecord>();
            QuorviGetRegSettings(loaded.get(), 1);
            CheckConfiguration(*loaded);
        }
    }

    void UserMenu(Rng& rng) {
        if (rng.chance(2)) {
            std::string list;
            for (std::uint32_t n = rng.below(10); n > 0; --n) {
                list += rng.chance(2) ? kNames[rng.below(std::size(kNames))] : rng.text(300);
                list += '\0';
            }
            fuzz::RegData value{static_cast<DWORD>(rng.chance(5) ? REG_SZ : REG_MULTI_SZ), Bytes(list.begin(), list.end())};
            if (rng.chance(2)) value.data.push_back(0);
            fuzz::SetRegData(HKEY_CURRENT_USER, kQuelmarKey, "UserMenu", value);
        } else if (rng.chance(2)) {
            fuzz::SetRegData(HKEY_CURRENT_USER, kQuelmarKey, "UserMenu", fuzz::RandomRegData(rng, 3000));
        }
        PlaceFile(rng, "user.ssf");
        std::string name = rng.chance(2) ? kNames[rng.below(std::size(kNames))] : rng.text(300);
        switch (rng.below(3)) {
        case 0: QuorviAddUserMenu(name.c_str()); break;
        case 1: QuorviRemoveUserMenu(name.c_str()); break;
        default: break;
        }
        auto list = std::make_unique<UserMenuList>();
        std::memset(list.get(), 0xEE, sizeof *list);
        int any = QuorviGetUserMenu(list.get());
        if (list->count < 0 || list->count > kUserMenuEntries || any != (list->count != 0 ? 1 : 0))
            return campaign_.Fault("the user menu's count is out of range");
        for (int i = 0; i < list->count; ++i) {
            char path[MAX_PATH];
            if (!memchr(list->names[i], 0, MAX_PATH) || !memchr(list->descriptions[i], 0, MAX_PATH))
                campaign_.Fault("a user menu entry is not terminated");
            else if (!QuorviSetupFilePath(list->names[i], path, sizeof path))
                campaign_.Fault("the user menu offers a name that is no plain file");
        }
    }

    void Latency(Rng& rng) {
        for (const char* name :
             {"BlockLatency", "i_CoeffBLatency", "o_CoeffBLatency", "i_ConstSLatency", "o_ConstSLatency", "RsrvChannels"})
            if (rng.chance(2)) fuzz::SetRegData(HKEY_CLASSES_ROOT, kLatencyKey, name, fuzz::RandomRegData(rng, 40));
        std::string key = rng.chance(4) ? rng.text(300) : kLatencyKey;
        if (rng.chance(3)) {
            ChannelMaskSet masks{};
            for (auto& w : masks.in) w = rng.edgyWord();
            for (auto& w : masks.out) w = rng.edgyWord();
            QuorviSetBlockLatency(key.c_str(), rng.edgyWord(), rng.chance(2) ? &masks : nullptr);
        }
        DWORD values[5];
        ChannelMaskSet reserved;
        std::memset(values, 0x5A, sizeof values);
        std::memset(&reserved, 0x5A, sizeof reserved);
        QuorviGetBlockLatency(key.c_str(), &values[0], &values[1], &values[2], &values[3], &values[4], &reserved);
        auto stored = fuzz::GetRegData(HKEY_CLASSES_ROOT, key.c_str(), "RsrvChannels");
        bool untouched = std::all_of(reinterpret_cast<std::uint8_t*>(&reserved),
                                     reinterpret_cast<std::uint8_t*>(&reserved) + sizeof reserved,
                                     [](std::uint8_t b) { return b == 0x5A; });
        if (!untouched && (!stored || stored->data.size() != sizeof reserved ||
                           std::memcmp(stored->data.data(), &reserved, sizeof reserved) != 0))
            campaign_.Fault("the reserved channels came from a value that is not 32 bytes");
    }

    // Failures, short, oversized and arbitrary replies to the requests the
    // core makes, then every operation that talks to a board.
    void DriverReplies(Rng& rng) {
        static const char* const requests[] = {"QUORVI_GET_BOARD_INFO", "QUORVI_HC_GET_PARAMS", "QUORVI_SET_PARAM",
                                               "QUORVI_SYS_UPDATE",     "QUORVI_GET_SYS_SETUP", "ICEAPI_ENUM_DEVICES",
                                               "ICEAPI_CUSTOM",         "ICEAPI_GETDEVICEINFO", "ICEAPI_SET_RATE"};
        // The boards' log is the test double's, not the core's memory.
        boards_.control("clear-log");
        boards_.control("clear-failures");
        for (std::uint32_t n = rng.below(4); n > 0; --n) {
            std::string command = fuzz::Misbehaviour(rng, requests[rng.below(std::size(requests))]);
            boards_.control(command);
            campaign_.Note(command);
        }
        boards_.control("boards " + std::to_string(rng.below(5)));
        Bytes bytes = HostileRecord(rng);
        auto record = std::make_unique<SettingsRecord>();
        std::memcpy(record.get(), bytes.data(), sizeof *record);
        HANDLE device = rng.chance(10) ? INVALID_HANDLE_VALUE : device_.get();
        unsigned boards = QuorviGetNumberBoards(device);
        if (boards > kMaxBoards) campaign_.Fault("more than four boards counted");
        switch (rng.below(6)) {
        case 0: QuorviDoUpdate(record.get(), device, 1); break;
        case 1: QuorviUpdateMix(record.get(), device, static_cast<int>(rng.edgyWord())); break;
        case 2:
            if (QuorviTimeCodeEnabled(device) > 1) campaign_.Fault("time code neither on nor off");
            break;
        case 3: LintraUpdate(record.get()); break;
        case 4: LintraUpdateLiveSetup(record.get()); break;
        default:
            QuorviSetRegSettings(record.get());
            QuorviSetMasterClock(static_cast<int>(rng.edgyWord()), device);
            break;
        }
        boards_.control("clear-failures");
    }

    void ChannelMaps(Rng& rng) {
        ChannelMaskSet masks{};
        for (auto& w : masks.in) w = rng.edgyWord();
        for (auto& w : masks.out) w = rng.edgyWord();
        int n = static_cast<int>(rng.edgyWord());
        int boards = static_cast<int>(rng.edgyWord());
        int index[] = {QuorviInChannelIndex(n, masks.in), QuorviOutChannelIndex(n, boards, &masks)};
        int board[] = {QuorviInChannelBoard(n, masks.in), QuorviOutChannelBoard(n, boards, &masks)};
        for (int i = 0; i < 2; ++i)
            if (index[i] < -1 || index[i] > 17 || board[i] < -1 || board[i] > 3 || (index[i] < 0) != (board[i] < 0))
                campaign_.Fault("a channel maps outside the boards");
    }

    fuzz::Campaign& campaign_;
    fuzz::OwnTexts texts_;
    fuzz::BoxRecorder boxes_;
    vboard::InProcessBoards boards_;
    win::Device device_;
    Bytes base_, bystander_;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1901, 200, 40000);
    fuzz::Campaign campaign("core", options);
    {
        CoreFuzz core(campaign);
        campaign.Run([&](Rng& rng, long) { core.Input(rng); });
    }
    return campaign.Finish();
}
