#include "Latency.h"

#include <cstdint>

#include "quorvi/DriverRequests.h"
#include "win/Device.h"

namespace setup {

BoardsFound FindBoards(bool windowsNT) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    win::Device device = windowsNT ? win::Device(quorvi::kDeviceNameNT, 0, share, OPEN_EXISTING, 0)
                                   : win::Device(quorvi::kDeviceName9x, 0, share, 0, 0);
    if (!device) return BoardsFound::None;
    std::uint32_t board = 0;
    quorvi::BoardInfoReply info{};
    if (!device.control(quorvi::QUORVI_GET_BOARD_INFO, &board, sizeof board, &info, sizeof info))
        return BoardsFound::None;
    return win::DeviceIsVirtual(device.get()) ? BoardsFound::Virtual : BoardsFound::Hardware;
}

LatencyCoefficients CoefficientsFor(BoardsFound boards) {
    // The virtual boards loop a half back the moment it has played and hand
    // each recorded half over at the block's end: one block each way.
    if (boards == BoardsFound::Virtual) return {1, 0, 1, 0};
    // A board records a block before the host sees it and plays the half the
    // host filled after the one playing now; its optical interfaces' FIFOs
    // hold 32 samples each way. Installed before the boards are in, the
    // suite is still for them.
    return {1, 32, 2, 32};
}

}  // namespace setup
