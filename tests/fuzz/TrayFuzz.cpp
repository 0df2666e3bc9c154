// The real tray program against hostile stored values at its start, the
// suite's registered messages with any parameters from another program, and
// boards that fail or answer badly while it runs. It keeps answering, ends
// only when told to, stores only rates and clock codes that are rates and
// clock codes, and every box shows one of its own texts.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzKit.h"
#include "Hostile.h"
#include "quorvi/QuorviCore.h"
#include "testkit/NotifyAreaSpy.h"
#include "testkit/Process.h"
#include "testkit/Robot.h"
#include "vboard/InProcessBoards.h"

using fuzz::Rng;

namespace {

constexpr const char* kTitle = "QUORVI Tray Controller";
// Inputs thrown at one run of the tray before it starts again on a new scene.
constexpr long kInputsPerRun = 25;

std::size_t MemoryOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    const std::size_t memory = fuzz::ProcessMemory(process);
    if (process) CloseHandle(process);
    return memory;
}

DWORD GdiObjectsOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    DWORD count = process ? GetGuiResources(process, GR_GDIOBJECTS) : 0;
    if (process) CloseHandle(process);
    return count;
}

class TrayFuzz {
public:
    explicit TrayFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        const std::string tray = testkit::ProgramDirectory() + "\\quorvitray.exe";
        texts_.AddModule(LoadLibraryExA(tray.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        texts_.AddModule(GetModuleHandleA("quorvicore.dll"));
        Clear();
        auto record = std::make_unique<quorvi::SettingsRecord>();
        QuorviGetRegSettings(record.get(), 1);
        auto bytes = reinterpret_cast<const std::uint8_t*>(record.get());
        base_.assign(bytes, bytes + sizeof *record);
        Clear();
    }
    ~TrayFuzz() {
        Stop();
        Clear();
    }

    void Input(Rng& rng, long index) {
        if (!frame_ || index % kInputsPerRun == 0) Restart(rng);
        if (!frame_) return;
        boards_.control("clear-log");
        Misbehave(rng);
        for (std::uint32_t n = 1 + rng.below(6); n > 0; --n) {
            // The windows the messages open, opened and closed often.
            if (rng.chance(4)) {
                const char* name = rng.chance(2) ? "QUORVI METERS" : "QUORVI MIXER";
                const WPARAM board = rng.below(4);
                PostMessageA(frame_, RegisterWindowMessageA(name), board, 0);
                campaign_.Note(std::string(name) + " " + std::to_string(board));
                continue;
            }
            const char* windowClass = rng.chance(2) ? "QuorviTrayMeters" : "QuorviTrayMixer";
            if (HWND window = rng.chance(6) ? testkit::FindTopWindow(windowClass, "", tray_.Id()) : nullptr) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                campaign_.Note(std::string("a window closed: ") + windowClass);
                continue;
            }
            const fuzz::Broadcast& message =
                fuzz::kBroadcasts[rng.below(std::size(fuzz::kBroadcasts) - (rng.chance(30) ? 0 : 1))];
            campaign_.Note(message.name);
            if (!fuzz::Throw(rng, frame_, message)) campaign_.Fault(std::string("the tray hangs on ") + message.name);
            if (message.endsProgram) return Ended();
            // A tick now and then, so the monitor meets the messages too.
            if (rng.chance(3)) PostMessageA(frame_, WM_TIMER, 1, 0);
        }
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(frame_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result))
            return campaign_.Fault(tray_.ExitCode() == STILL_ACTIVE ? "the tray stopped answering" : "the tray ended");
        if (testkit::FindTopWindow("QuorviTrayMeters", "", tray_.Id())) campaign_.Tally("meter windows open");
        if (testkit::FindTopWindow("QuorviTrayMixer", "", tray_.Id())) campaign_.Tally("mixer windows open");
        CheckStoredRate();
        CheckBoxes();
        const DWORD gdi = GdiObjectsOf(tray_.Id());
        if (gdiAtStart_ && gdi > gdiAtStart_ + 2000) campaign_.Fault("the tray's drawing objects keep growing");
        std::size_t memory = MemoryOf(tray_.Id());
        if (memoryAtStart_ && memory > memoryAtStart_ + (48u << 20))
            campaign_.Fault("the tray's memory grew from " + std::to_string(memoryAtStart_ >> 20) + " MiB to " +
                            std::to_string(memory >> 20) + " MiB");
    }

private:
    void Clear() {
        for (const fuzz::StoredValue& v : fuzz::kTrayValues) fuzz::DeleteRegData(v.root, v.key, v.name);
        fuzz::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Quelmar");
        fuzz::DeleteSystemFiles("*.ssf");
    }

    void Stop() {
        if (!frame_) return;
        PostMessageA(frame_, RegisterWindowMessageA("QUORVI SHUTDOWN"), 0, 0);
        if (!tray_.Wait(10000)) campaign_.Fault("the tray did not close on its shutdown message");
        frame_ = nullptr;
    }

    void Ended() {
        if (!tray_.Wait(10000)) campaign_.Fault("the tray did not close on its shutdown message");
        else if (tray_.ExitCode() != 0) campaign_.Fault("the tray ended with code " + std::to_string(tray_.ExitCode()));
        frame_ = nullptr;
        CheckBoxes();
    }

    // Stored values of any kind; boards that answer, since a start-up
    // without boards only waits to report them missing.
    void Restart(Rng& rng) {
        Stop();
        tray_.Terminate();
        boards_.control("clear-failures");
        boards_.control("boards " + std::to_string(1 + rng.below(4)));
        // A start-up whose later requests fail or answer badly; without the
        // boards' information the tray only waits to report them missing.
        static const char* const startRequests[] = {"QUORVI_GET_SYS_SETUP", "QUORVI_SET_SYS_SETUP",
                                                    "QUORVI_SET_STATUS_MASKS", "QUORVI_GET_STATUS",
                                                    "QUORVI_SYS_UPDATE", "QUORVI_HC_GET_PARAMS"};
        if (rng.chance(3)) {
            std::string command = fuzz::Misbehaviour(rng, startRequests[rng.below(std::size(startRequests))]);
            boards_.control(command);
            campaign_.Note("at start: " + command);
        }
        fuzz::PlaceValues(rng, fuzz::kTrayValues);
        if (rng.chance(2)) PlaceWorkingRecord(rng);
        if (rng.chance(2)) {
            fuzz::WriteBytes(fuzz::SystemPath("user.ssf"), rng.bytes(rng.below(30000)));
            fuzz::SetRegData(HKEY_CURRENT_USER, fuzz::kUserKey, "UserMenu",
                             {REG_MULTI_SZ, fuzz::Bytes{'u', 's', 'e', 'r', '.', 's', 's', 'f', 0, 0}});
        }
        if (!tray_.Start(testkit::ProgramDirectory() + "\\quorvitray.exe")) return campaign_.Fault("no tray");
        boxes_.Watch(tray_.Id());
        testkit::WaitUntil([&] { return (frame_ = testkit::FindTopWindow("", kTitle, tray_.Id())) != nullptr; }, 20000);
        if (!frame_) return campaign_.Fault("the tray did not start");
        // Start-up is done once its calibration is stored.
        testkit::WaitUntil([] { return fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "Samples").has_value(); },
                           20000);
        fuzz::DeleteRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "Samples");
        boards_.control("clear-failures");
        memoryAtStart_ = MemoryOf(tray_.Id());
        gdiAtStart_ = GdiObjectsOf(tray_.Id());
        stored_[0] = fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "SampleRate").value_or(fuzz::RegData{});
        stored_[1] = fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "ClockSource").value_or(fuzz::RegData{});
        campaign_.Tally("tray runs");
    }

    void Misbehave(Rng& rng) {
        static const char* const requests[] = {"QUORVI_GET_STATUS", "QUORVI_GET_STATUS_FLAGS", "QUORVI_SET_STATUS_MASKS",
                                               "QUORVI_HC_GET_PARAMS", "QUORVI_SET_PARAM", "QUORVI_SYS_UPDATE",
                                               "QUORVI_HC_SEND_FPGABYTE"};
        if (!rng.chance(4)) return;
        std::string command = fuzz::Misbehaviour(rng, requests[rng.below(std::size(requests))]);
        boards_.control(command);
        campaign_.Note(command);
    }

    // A working record whose window options and mix are arbitrary: places,
    // fonts, labels without their ends, modes past their lists, levels and
    // pans past their tables.
    void PlaceWorkingRecord(Rng& rng) {
        fuzz::Bytes record = base_;
        const std::size_t first = offsetof(quorvi::SettingsRecord, boards);
        fuzz::Bytes panels(record.begin() + first, record.begin() + first + sizeof(quorvi::SettingsRecord::boards));
        for (std::uint32_t n = 1 + rng.below(8); n > 0; --n) fuzz::Mutate(rng, panels, panels.size());
        panels.resize(sizeof(quorvi::SettingsRecord::boards));
        std::copy(panels.begin(), panels.end(), record.begin() + first);
        const char name[] = "hostile.ssf";
        std::memcpy(record.data() + offsetof(quorvi::SettingsRecord, fileName), name, sizeof name);
        fuzz::WriteBytes(fuzz::SystemPath(name), record);
        fuzz::SetRegData(HKEY_CURRENT_USER, "Software\\Quelmar\\Setups", "Current", fuzz::StringData(name));
        campaign_.Note("hostile window options");
    }

    // The ASIO driver takes these for the boards' rate and clock.
    void CheckStoredRate() {
        auto rate = fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "SampleRate");
        auto clock = fuzz::GetRegData(HKEY_LOCAL_MACHINE, fuzz::kMakerKey, "ClockSource");
        if (rate && rate != stored_[0] && rate->type == REG_DWORD && rate->data.size() == 4) {
            float hz;
            std::memcpy(&hz, rate->data.data(), 4);
            // What the boards run at is their affair (a stored varispeed
            // divider of 0 runs the virtual ones at hundreds of MHz), but a
            // rate is a finite, positive number.
            if (!(std::isfinite(hz) && hz >= 0))
                campaign_.Fault("the tray stored a rate that is no rate: " + std::to_string(hz));
        }
        if (clock && clock != stored_[1] && clock->type == REG_DWORD && clock->data.size() == 4) {
            DWORD code;
            std::memcpy(&code, clock->data.data(), 4);
            if (code > 5) campaign_.Fault("the tray stored a clock code that names no clock");
        }
        stored_[0] = rate.value_or(fuzz::RegData{});
        stored_[1] = clock.value_or(fuzz::RegData{});
    }

    void CheckBoxes() {
        Sleep(20);
        campaign_.CheckBoxes(texts_, boxes_.Take(), "the tray's");
    }

    fuzz::Campaign& campaign_;
    fuzz::OwnTexts texts_;
    fuzz::BoxSweeper boxes_;
    testkit::NotifyAreaSpy shell_;
    vboard::InProcessBoards boards_;
    testkit::ChildProcess tray_;
    HWND frame_ = nullptr;
    std::size_t memoryAtStart_ = 0;
    DWORD gdiAtStart_ = 0;
    fuzz::RegData stored_[2];
    fuzz::Bytes base_;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1903, 50, 5000);
    fuzz::Campaign campaign("tray", options);
    campaign.SetHangLimitMs(60000);
    {
        TrayFuzz tray(campaign);
        campaign.Run([&](Rng& rng, long i) { tray.Input(rng, i); });
    }
    return campaign.Finish();
}
