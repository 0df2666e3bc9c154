// Cost of one mixer change as the tray's mixer window sends it: one
// QuorviUpdateMix (the parameter block read, the gains computed, the block
// written) to a board of quorvisim.exe in another process. A fader drag
// sends one per mouse move.
//   bench_mixer_send [sends]   (default 1000)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Timing.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "win/Device.h"

int main(int argc, char** argv) {
    const int sends = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    bench::PrintExecution();
    bench::Boards boards("--boards 1");
    if (!boards.serving()) return 1;
    win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                       0);
    auto record = std::make_unique<quorvi::SettingsRecord>();
    QuorviGetRegSettings(record.get(), 1);
    int step = 0, failed = 0;
    auto send = [&] {
        // A fader moving up and down its track.
        record->device.boards[0].levelA[0] = step++ % 68;
        failed += QuorviUpdateMix(record.get(), device.get(), 0) ? 0 : 1;
    };
    bench::Time(20, send);
    failed = 0;
    std::vector<double> us = bench::Time(sends, send);
    char tail[32];
    std::snprintf(tail, sizeof tail, "  failed %d", failed);
    bench::Print("mixer send (QuorviUpdateMix, 2 requests)", us, tail);
    return 0;
}
