// Cost of one meter window tick - the board's status read from quorvisim.exe
// in another process, the 34 display values and the bars drawn from the
// last drawn values - for one board's window, and for the windows of four
// boards ticking one after another. The real tray frame and windows run
// here on moving test signals; only the tick itself is timed.
//   bench_meter_tick [ticks]   (default 300)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "MainFrame.h"
#include "MonitorDevice.h"
#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Timing.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Times `ticks` rounds of one tick of each window, with time between the
// rounds for the signals to move as they would between timer ticks.
std::vector<double> TimeRounds(const std::vector<tray::CMeterWnd*>& windows, int ticks) {
    std::vector<double> us;
    for (int i = 0; i < ticks; ++i) {
        Sleep(15);
        Pump();
        us.push_back(bench::Time(1, [&] {
            for (tray::CMeterWnd* window : windows) window->Tick();
        })[0]);
    }
    return us;
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrintExecution();
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    bench::Boards boards("--boards 4 --signal 0 all decay 7000000 400 --signal 1 all decay 5000000 300 "
                                 "--signal 2 all decay 7000000 500 --signal 3 all decay 3000000 200");
    if (!boards.serving()) return 1;
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        tray::CMainFrame frame(GetModuleHandleA(nullptr));
        if (!frame.Create() || frame.boardCount() != 4) {
            std::printf("the tray frame did not start on four boards\n");
            return 1;
        }
        // The ticks are given here, not by the timers.
        KillTimer(frame.hwnd(), tray::kMonitorTimer);
        std::vector<tray::CMeterWnd*> windows;
        for (int b = 0; b < 4; ++b) {
            frame.OpenMeterWindow(b);
            tray::CMeterWnd* window = frame.meterWindow(b);
            if (!window) {
                std::printf("meter window %d did not open\n", b + 1);
                return 1;
            }
            KillTimer(window->hwnd(), tray::kMeterTimer);
            UpdateWindow(window->hwnd());
            windows.push_back(window);
        }
        Pump();
        TimeRounds(windows, 10);
        tray::StatusBlock block{};
        bench::Print("status read alone, one board",
                     bench::Time(ticks, [&] { tray::ReadStatusBlock(frame.device(), 0, block); }));
        bench::Print("meter tick, one board (34 bars)", TimeRounds({windows[0]}, ticks));
        bench::Print("meter ticks, four boards (4 x 34 bars)", TimeRounds(windows, ticks));
        frame.Destroy();
    }
    return 0;
}
