// Cost of applying a record to four boards of quorvisim.exe in another
// process: one QuorviUpdateMix and one QuorviDoUpdate, with the number of
// driver requests each issues.
//   bench_update [calls]   (default 200)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Requests.h"
#include "bench/Timing.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "vboard/Control.h"
#include "win/Device.h"

int main(int argc, char** argv) {
    bench::PrintExecution();
    int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    bench::Boards boards("--boards 4");
    if (!boards.serving()) return 1;
    int rc = 0;
    {
        win::Device device(quorvi::kDeviceNameNT, 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
        auto record = std::make_unique<quorvi::SettingsRecord>();
        std::memset(record.get(), 0, sizeof *record);
        record->device.version = quorvi::kRecordVersion;
        for (auto& board : record->device.boards) {
            for (int k = 0; k < quorvi::kGroupChannels; ++k) board.levelA[k] = board.levelB[k] = 50;
        }
        vboard::ControlClient control;
        auto mix = [&] { QuorviUpdateMix(record.get(), device.get(), 0); };
        auto update = [&] { QuorviDoUpdate(record.get(), device.get(), 0); };
        if (QuorviGetNumberBoards(device.get()) != 4) {
            std::printf("quorvisim.exe does not serve four boards\n");
            rc = 1;
        } else {
            bench::Time(10, update);
            bench::Print("QuorviUpdateMix, one board", bench::Time(calls, mix), bench::Requests(control, mix));
            bench::Print("QuorviDoUpdate, four boards", bench::Time(calls, update), bench::Requests(control, update));
        }
    }
    return rc;
}
