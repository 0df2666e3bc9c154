#pragma once
// The monitor's driver requests on an open board driver handle.
#include "MeterScale.h"
#include "Monitor.h"

namespace tray {

// QUORVI_GET_STATUS: the board's whole status block.
bool ReadStatusBlock(HANDLE device, int board, StatusBlock& block);
// What the monitor keeps of a status block: the counter and the I/O word.
std::uint32_t StatusCounter(const StatusBlock& block);
std::uint32_t StatusIoWord(const StatusBlock& block);

class MonitorDevice : public MonitorBoards {
public:
    explicit MonitorDevice(HANDLE device = INVALID_HANDLE_VALUE) : device_(device) {}
    void SetDevice(HANDLE device) { device_ = device; }

    bool ReadStatus(int board, std::uint32_t& counter, std::uint32_t& ioWord) override;
    bool ReadStatusFlags(int boards, std::uint32_t (&words)[2 * kMaxBoards]) override;
    bool SetStatusMasks(int board, std::uint32_t enable) override;
    UINT SendHighRateBit(int board, std::uint32_t optionWord) override;
    bool SendFpgaWord(int board, std::uint32_t word) override;

private:
    HANDLE device_;
};

}  // namespace tray
