#include "CoreStrings.h"

#include "win/Device.h"

namespace quorvi {

namespace {
const BroadcastMessages registered;
}

const win::Module& Core() {
    static const win::Module module(win::ThisModule(), "QUORVI");
    return module;
}

const BroadcastMessages& Broadcasts() { return registered; }

bool RequestOrReport(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, UINT failureText) {
    if (win::DeviceControl(device, code, in, inSize, out, outSize, nullptr)) return true;
    DWORD error = GetLastError();
    Core().ReportRequestFailure(failureText, error);
    return false;
}

}  // namespace quorvi
