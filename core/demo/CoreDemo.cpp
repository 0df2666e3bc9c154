// Drives quorvicore for the demo, one command per run:
//   core_demo apply              load the working record and apply it to the boards
//   core_demo decay RATE         run the decay-rate dialog on RATE, print the outcome
//   core_demo press CAPTION ID   click button ID of the top-level window CAPTION
//   core_demo find CAPTION       exit 0 when such a window is shown
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "win/Device.h"

namespace {

int Apply() {
    auto record = std::make_unique<quorvi::SettingsRecord>();
    QuorviGetRegSettings(record.get(), 1);
    std::printf("working record: %s, \"%s\"\n", record->fileName, record->description);
    win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       OPEN_EXISTING, 0);
    unsigned boards = QuorviGetNumberBoards(device.get());
    int result = QuorviDoUpdate(record.get(), device.get(), 0);
    std::printf("QuorviDoUpdate on %u board(s): %d\n", boards, result);
    return result == 1 ? 0 : 1;
}

int Decay(int rate) {
    int result = QuorviSetDecayRate(&rate);
    std::printf("decay rate dialog: result %d, rate %d\n", result, rate);
    return 0;
}

int Press(const char* caption, int id) {
    HWND window = FindWindowA(nullptr, caption);
    if (!window) return 1;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "apply") return Apply();
    if (command == "decay" && argc > 2) return Decay(std::atoi(argv[2]));
    if (command == "press" && argc > 3) return Press(argv[2], std::atoi(argv[3]));
    if (command == "find" && argc > 2) return FindWindowA(nullptr, argv[2]) ? 0 : 1;
    std::fprintf(stderr, "usage: core_demo apply | decay RATE | press CAPTION ID | find CAPTION\n");
    return 2;
}
