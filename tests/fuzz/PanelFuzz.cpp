// The real applet, run as the Control Panel runs it, against hostile stored
// values when it opens (its last page, the calibration, the user menu, the
// driver's device names), the suite's registered messages with any
// parameters, page changes, and boards that answer badly. It keeps
// answering, closes when asked, and every box shows one of its own texts.
#include <windows.h>
#include <prsht.h>

#include <string>

#include "FuzzKit.h"
#include "Hostile.h"
#include "testkit/Process.h"
#include "testkit/Robot.h"
#include "vboard/InProcessBoards.h"

using fuzz::Rng;

namespace {

constexpr const char* kCaption = "QUORVI Properties";
constexpr long kInputsPerRun = 20;

class PanelFuzz {
public:
    explicit PanelFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        for (const char* module : {"quorvipanel.cpl", "quorvicore.dll"})
            texts_.AddModule(LoadLibraryExA((testkit::ProgramDirectory() + "\\" + module).c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE));
        Clear();
    }
    ~PanelFuzz() {
        Close();
        Clear();
    }

    void Input(Rng& rng, long index) {
        if (!sheet_ || index % kInputsPerRun == 0) Restart(rng);
        if (!sheet_) return;
        boards_.control("clear-log");
        Misbehave(rng);
        for (std::uint32_t n = 1 + rng.below(5); n > 0; --n) {
            if (rng.chance(3)) {
                campaign_.Note("page");
                PostMessageA(sheet_, PSM_SETCURSEL, rng.chance(4) ? rng.edgyWord() : rng.below(12), 0);
                continue;
            }
            // The applet's own messages come more often than the others.
            const fuzz::Broadcast& message =
                rng.chance(2) ? fuzz::Named(rng.chance(2) ? "QUORVI CP" : "QUORVI USER MENU CHOSEN")
                              : fuzz::kBroadcasts[rng.below(std::size(fuzz::kBroadcasts) - 1)];
            campaign_.Note(message.name);
            if (!fuzz::Throw(rng, sheet_, message)) campaign_.Fault(std::string("the applet hangs on ") + message.name);
        }
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(sheet_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result))
            campaign_.Fault(host_.ExitCode() == STILL_ACTIVE ? "the applet stopped answering" : "the applet ended");
        CheckBoxes();
    }

private:
    void Clear() {
        for (const fuzz::StoredValue& v : fuzz::kPanelValues) fuzz::DeleteRegData(v.root, v.key, v.name);
        fuzz::DeleteKeyTree(HKEY_LOCAL_MACHINE, fuzz::kServiceKey);
        fuzz::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Quelmar");
        fuzz::DeleteSystemFiles("*.ssf");
    }

    void Close() {
        if (!sheet_) return;
        PostMessageA(sheet_, WM_COMMAND, IDCANCEL, 0);
        if (!host_.Wait(15000)) campaign_.Fault("the applet did not close");
        else if (host_.ExitCode() != 0) campaign_.Fault("the applet's host ended with " + std::to_string(host_.ExitCode()));
        sheet_ = nullptr;
        CheckBoxes();
        auto page = fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "ControlPanelPage");
        if (page && (page->type != REG_DWORD || page->data.size() != 4))
            campaign_.Fault("the applet left a page value of another kind");
    }

    void Restart(Rng& rng) {
        Close();
        host_.Terminate();
        boards_.control("clear-failures");
        boards_.control("boards " + std::to_string(1 + rng.below(4)));
        fuzz::PlaceValues(rng, fuzz::kPanelValues);
        if (rng.chance(2)) {
            fuzz::WriteBytes(fuzz::SystemPath("user.ssf"), rng.bytes(rng.below(30000)));
            fuzz::SetRegData(HKEY_CURRENT_USER, fuzz::kUserKey, "UserMenu",
                             {REG_MULTI_SZ, fuzz::Bytes{'u', 's', 'e', 'r', '.', 's', 's', 'f', 0, 0}});
        }
        if (!host_.Start(testkit::ProgramDirectory() + "\\panel_applet_host.exe")) return campaign_.Fault("no applet");
        boxes_.Watch(host_.Id());
        testkit::WaitUntil([&] { return (sheet_ = testkit::FindTopWindow("", kCaption, host_.Id())) != nullptr; },
                           20000);
        if (!sheet_) return campaign_.Fault("the applet did not open");
        campaign_.Tally("applet runs");
    }

    void Misbehave(Rng& rng) {
        static const char* const requests[] = {"QUORVI_GET_STATUS", "QUORVI_HC_GET_PARAMS", "QUORVI_SET_PARAM",
                                               "QUORVI_SYS_UPDATE", "QUORVI_HC_GET_FPGABYTE"};
        if (!rng.chance(4)) return;
        std::string command = fuzz::Misbehaviour(rng, requests[rng.below(std::size(requests))]);
        boards_.control(command);
        campaign_.Note(command);
    }

    void CheckBoxes() {
        Sleep(20);
        campaign_.CheckBoxes(texts_, boxes_.Take(), "the applet's");
    }

    fuzz::Campaign& campaign_;
    fuzz::OwnTexts texts_;
    fuzz::BoxSweeper boxes_;
    vboard::InProcessBoards boards_;
    testkit::ChildProcess host_;
    HWND sheet_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1902, 40, 4000);
    fuzz::Campaign campaign("panel", options);
    campaign.SetHangLimitMs(60000);
    {
        PanelFuzz panel(campaign);
        campaign.Run([&](Rng& rng, long i) { panel.Input(rng, i); });
    }
    return campaign.Finish();
}
