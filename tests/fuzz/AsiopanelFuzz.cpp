// asiopanel.exe with any command line over latency and reservation values of
// any kind for the three drivers: it opens, closes with OK, Cancel or the
// window's close box, stores a latency and 32 bytes of reservation for each
// driver it stores, and every box shows one of its own texts.
#include <windows.h>

#include <string>

#include "FuzzKit.h"
#include "quorvi/DriverClsids.h"
#include "testkit/Process.h"
#include "testkit/Robot.h"

using fuzz::Rng;

namespace {

constexpr const char* kCaption = "Latency & Channel Reservation";
const char* const kKeys[] = {quorvi::kAsioDriverKey.data(), quorvi::kEasiDriverKey.data(),
                             quorvi::kGsifDriverKey.data()};
const char* const kValues[] = {"BlockLatency", "o_CoeffBLatency", "o_ConstSLatency", "RsrvChannels"};
const char* const kCommandLines[] = {"", "ASIO", "/EASI", "/easi", "/GSIF", "/", "/EASI /EASI", "\"", "%s%n"};

class AsiopanelFuzz {
public:
    explicit AsiopanelFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        for (const char* module : {"asiopanel.exe", "quorvicore.dll"})
            texts_.AddModule(LoadLibraryExA((testkit::ProgramDirectory() + "\\" + module).c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE));
    }
    ~AsiopanelFuzz() {
        for (const char* key : kKeys) fuzz::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }

    void Input(Rng& rng) {
        for (const char* key : kKeys) {
            fuzz::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
            if (rng.chance(4)) continue;  // that driver is not installed
            for (const char* value : kValues)
                if (!rng.chance(3)) fuzz::SetRegData(HKEY_CLASSES_ROOT, key, value, fuzz::RandomRegData(rng, 40));
        }
        std::string args = rng.chance(4) ? rng.text(40) : kCommandLines[rng.below(std::size(kCommandLines))];
        campaign_.Note("arguments '" + args + "'");
        testkit::ChildProcess panel;
        if (!panel.Start(testkit::ProgramDirectory() + "\\asiopanel.exe", args)) return campaign_.Fault("no asiopanel");
        boxes_.Watch(panel.Id());
        HWND dialog = nullptr;
        testkit::WaitUntil([&] { return (dialog = testkit::FindTopWindow("", kCaption, panel.Id())) != nullptr; }, 20000);
        if (!dialog) return campaign_.Fault("asiopanel did not open");
        const int how = static_cast<int>(rng.below(3));
        if (how == 0) PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        else if (how == 1) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        else PostMessageA(dialog, WM_CLOSE, 0, 0);
        if (!panel.Wait(15000)) return campaign_.Fault("asiopanel did not close");
        campaign_.CheckBoxes(texts_, boxes_.Take(), "asiopanel's");
        if (how == 0) CheckStored();
        campaign_.Tally(how == 0 ? "stored" : "left");
    }

private:
    void CheckStored() {
        for (const char* key : kKeys) {
            auto latency = fuzz::GetRegData(HKEY_CLASSES_ROOT, key, "BlockLatency");
            auto masks = fuzz::GetRegData(HKEY_CLASSES_ROOT, key, "RsrvChannels");
            if (!latency) continue;
            if (latency->type != REG_DWORD || latency->data.size() != 4)
                campaign_.Fault(std::string("a latency stored as another kind under ") + key);
            if (!masks || masks->data.size() != 32) campaign_.Fault(std::string("reservations not stored whole under ") + key);
        }
    }

    fuzz::Campaign& campaign_;
    fuzz::OwnTexts texts_;
    fuzz::BoxSweeper boxes_;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1905, 6, 600);
    fuzz::Campaign campaign("asiopanel", options);
    campaign.SetHangLimitMs(60000);
    {
        AsiopanelFuzz panel(campaign);
        campaign.Run([&](Rng& rng, long) { panel.Input(rng); });
    }
    return campaign.Finish();
}
