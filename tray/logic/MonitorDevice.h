#pragma once
// The monitor's driver requests on an open board driver handle.
#include "Monitor.h"

namespace tray {

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
