// Applying a record to the boards: the device block, then each board's mix.
#include <cstring>

#include "GainLaw.h"
#include "CoreStrings.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/Device.h"
#include "win/ExceptionGuard.h"

using namespace quorvi;

// Boards answer from index 0 up to the first index the driver refuses; the
// record holds four, so no more are asked for. Guarded like every export:
// no exception may reach a caller in another module.
extern "C" unsigned WINAPI QuorviGetNumberBoards(HANDLE device) {
    return win::RunGuarded(0u, [&] {
        unsigned count = 0;
        while (count < kMaxBoards) {
            std::uint32_t board = count;
            BoardInfoReply info;
            if (!win::DeviceControl(device, QUORVI_GET_BOARD_INFO, &board, sizeof board, &info,
                                    sizeof info, nullptr)) {
                break;
            }
            ++count;
        }
        return count;
    });
}

namespace {

int UpdateMix(SettingsRecord* record, HANDLE device, int board) {
    // Boards past the record's four blocks have nothing to send.
    if (!record || !ValidBoard(board)) return 0;
    std::uint32_t index = board;
    SetParamRequest request{index, {}};
    if (!RequestOrReport(device, QUORVI_HC_GET_PARAMS, &index, sizeof index, &request.block,
                         sizeof request.block, IDS_HC_GET_PARAMS_FAILED)) {
        return 0;
    }
    ComputeMix(record->boards[board], record->device.boards[board], request.block);
    return RequestOrReport(device, QUORVI_SET_PARAM, &request, sizeof request, nullptr, 0,
                           IDS_SET_PARAM_FAILED) ? 1 : 0;
}

int DoUpdate(SettingsRecord* record, HANDLE device, HANDLE* deviceArgument) {
    if (!record) return 0;
    const BroadcastMessages& messages = Broadcasts();
    messages.startUpdate.Post();
    if (!RequestOrReport(device, QUORVI_SYS_UPDATE, &record->device, sizeof record->device,
                         nullptr, 0, IDS_SYS_UPDATE_FAILED)) {
        return 0;
    }
    // The count is asked again before each board, as a board may go away.
    for (unsigned board = 0; board < QuorviGetNumberBoards(device); ++board) {
        UpdateMix(record, device, static_cast<int>(board));
    }
    messages.endUpdate.Post();
    messages.tray.Post(reinterpret_cast<WPARAM>(record), reinterpret_cast<LPARAM>(deviceArgument));
    return 1;
}

}  // namespace

extern "C" int WINAPI QuorviUpdateMix(SettingsRecord* record, HANDLE device, int board) {
    return win::RunGuarded(0, [&] { return UpdateMix(record, device, board); });
}

extern "C" int WINAPI QuorviDoUpdate(SettingsRecord* record, HANDLE device, int) {
    return win::RunGuarded(0, [&] { return DoUpdate(record, device, &device); });
}
