// Cost of one tray monitor tick with four boards of quorvisim.exe in another
// process, driver requests included: a steady tick (each board's clock read
// and the status words), and a tick after a settings update, which also
// sends the high-rate bit and every board's rate band.
//   bench_tray_tick [ticks]   (default 500)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Monitor.h"
#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Requests.h"
#include "bench/Timing.h"
#include "MonitorDevice.h"
#include "quorvi/DriverRequests.h"
#include "vboard/Control.h"
#include "win/Device.h"

namespace {

// Shows nothing: the figures are the monitor's and the driver's.
struct QuietScreen : tray::MonitorScreen {
    void Report(UINT) override {}
    void ShowFatal() override {}
    void SetIcon(tray::TrayIcon) override {}
    void StopMonitoring(bool) override {}
    void AnnounceRate(std::uint32_t, float) override {}
    bool MeterWindowOpen(int) override { return false; }
    bool ResendMix(int) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    bench::PrintExecution();
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    bench::Boards boards("--boards 4");
    if (!boards.serving()) return 1;
    {
        win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, 0);
        auto record = std::make_unique<quorvi::SettingsRecord>();
        std::memset(record.get(), 0, sizeof *record);
        for (auto& board : record->boards) board.statusMask = 0x3FFF;
        for (auto& board : record->device.boards) board.format = 1;
        tray::MonitorDevice boards(device.get());
        QuietScreen screen;
        tray::Monitor monitor(boards, screen);
        monitor.Reset(4);
        for (int b = 0; b < 4; ++b) monitor.SetCalibration(b, 26688);
        monitor.ProgramMasks(*record);
        vboard::ControlClient control;
        auto tick = [&] { monitor.Tick(*record); };
        auto forced = [&] {
            monitor.ForceReevaluation();
            monitor.Tick(*record);
        };
        bench::Time(20, tick);
        bench::Print("monitor tick, four boards", bench::Time(ticks, tick), bench::Requests(control, tick));
        bench::Print("tick after an update, four boards", bench::Time(ticks, forced), bench::Requests(control, forced));
    }
    return 0;
}
