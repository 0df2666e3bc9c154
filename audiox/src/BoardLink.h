#pragma once
// The mixer's requests to the boards' driver, on the handle it opened for
// its whole life. Failures come back as HRESULTs of the driver's error.
#include <windows.h>

#include <cstdint>

#include "MeterBank.h"
#include "quorvi/SettingsRecord.h"
#include "win/Device.h"

namespace quorvix {

class BoardLink {
public:
    // The device in the platform's form: the NT name with OPEN_EXISTING, or
    // the Windows 9x name with disposition 0; no access rights, all sharing.
    static win::Device OpenDevice();

    explicit BoardLink(win::Device device) : device_(std::move(device)) {}

    HANDLE handle() const { return device_.get(); }
    HRESULT ReadParams(int board, quorvi::ParameterBlock& block) const;
    HRESULT WriteParams(int board, const quorvi::ParameterBlock& block) const;
    HRESULT ReadStatus(int board, std::uint32_t (&status)[kStatusWords]) const;

private:
    HRESULT Request(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize) const;
    win::Device device_;
};

}  // namespace quorvix
