// Cost of one mixer change as the tray's mixer window sends it: one
// QuorviUpdateMix (the parameter block read, the gains computed, the block
// written) to a board of quorvisim.exe in another process. A fader drag
// sends one per mouse move.
//   bench_mixer_send [sends]   (default 1000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/Execution.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "vboard/QuorvisimProcess.h"
#include "win/Device.h"

int main(int argc, char** argv) {
    const int sends = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::PrintExecution();
    vboard::QuorvisimProcess sim(vboard::FindQuorvisim(), "--boards 1");
    if (!sim.started() || !sim.waitServing(10000)) {
        std::printf("quorvisim.exe did not start\n");
        return 1;
    }
    {
        win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           OPEN_EXISTING, 0);
        auto record = std::make_unique<quorvi::SettingsRecord>();
        QuorviGetRegSettings(record.get(), 1);
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        std::vector<double> us;
        int failed = 0;
        for (int i = 0; i < sends + 20; ++i) {
            // A fader moving up and down its track.
            record->device.boards[0].levelA[0] = i % 68;
            QueryPerformanceCounter(&start);
            failed += QuorviUpdateMix(record.get(), device.get(), 0) ? 0 : 1;
            QueryPerformanceCounter(&end);
            if (i >= 20) us.push_back((end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart);
        }
        std::sort(us.begin(), us.end());
        std::printf("mixer send (QuorviUpdateMix, 2 requests)  n=%zu  median %.0f us  p99 %.0f us  max %.0f us  "
                    "failed %d\n",
                    us.size(), us[us.size() / 2], us[us.size() * 99 / 100], us.back(), failed);
    }
    vboard::QuorvisimProcess stop(vboard::FindQuorvisim(), "--stop");
    stop.waitExit(5000);
    sim.waitExit(5000);
    return 0;
}
