#include "MonitorDevice.h"

#include <algorithm>
#include <cstring>

#include "quorvi/DriverRequests.h"
#include "resource.h"
#include "win/Device.h"

namespace tray {

using namespace quorvi;

namespace {

constexpr int kCounterWord = 4;
constexpr int kIoLowWord = 6;
constexpr int kIoHighWord = 7;
static_assert(sizeof(StatusBlock) == kStatusBlockSize);

}  // namespace

bool ReadStatusBlock(HANDLE device, int board, StatusBlock& block) {
    std::uint32_t index = board;
    DWORD returned = 0;
    // A short block would mix this reading with the last one.
    return win::DeviceControl(device, QUORVI_GET_STATUS, &index, sizeof index, block.data(), kStatusBlockSize,
                              &returned) &&
           returned == kStatusBlockSize;
}

std::uint32_t StatusCounter(const StatusBlock& block) { return block[kCounterWord]; }

std::uint32_t StatusIoWord(const StatusBlock& block) {
    return (block[kIoLowWord] & 0xFFFFFF) | (block[kIoHighWord] << 24);
}

bool MonitorDevice::ReadStatus(int board, std::uint32_t& counter, std::uint32_t& ioWord) {
    StatusBlock block{};
    if (!ReadStatusBlock(device_, board, block)) return false;
    counter = StatusCounter(block);
    ioWord = StatusIoWord(block);
    return true;
}

bool MonitorDevice::ReadStatusFlags(int boards, std::uint32_t (&words)[2 * kMaxBoards]) {
    const std::uint32_t zero = 0;
    std::fill(std::begin(words), std::end(words), 0u);
    const DWORD size = kStatusFlagsPerBoard * std::clamp(boards, 0, kMaxBoards);
    return win::DeviceControl(device_, QUORVI_GET_STATUS_FLAGS, &zero, sizeof zero, words, size, nullptr);
}

bool MonitorDevice::SetStatusMasks(int board, std::uint32_t enable) {
    const SetStatusMasksRequest request{static_cast<std::uint32_t>(board), enable, 0};
    return win::DeviceControl(device_, QUORVI_SET_STATUS_MASKS, &request, sizeof request, nullptr, 0, nullptr);
}

UINT MonitorDevice::SendHighRateBit(int board, std::uint32_t optionWord) {
    SetParamRequest request{static_cast<std::uint32_t>(board), {}};
    if (!win::DeviceControl(device_, QUORVI_HC_GET_PARAMS, &request.board, sizeof request.board,
                            &request.block, sizeof request.block, nullptr))
        return IDS_GET_MIXER_FAILED;
    request.block.options = (request.block.options & ~kHiRateBit) | (optionWord & kHiRateBit);
    if (!win::DeviceControl(device_, QUORVI_SET_PARAM, &request, sizeof request, nullptr, 0, nullptr))
        return IDS_SET_MIXER_FAILED;
    return 0;
}

bool MonitorDevice::SendFpgaWord(int board, std::uint32_t word) {
    const TwoWordRequest request{static_cast<std::uint32_t>(board), word};
    return win::DeviceControl(device_, QUORVI_HC_SEND_FPGABYTE, &request, sizeof request, nullptr, 0, nullptr);
}

}  // namespace tray
