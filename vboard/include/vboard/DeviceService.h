#pragma once
// Serves the device-access pipe: each connection is one open driver handle.
#include "vboard/Driver.h"
#include "vboard/PipeServer.h"

namespace vboard {

class DeviceService : public PipeServer {
public:
    explicit DeviceService(Driver& driver);
};

// One connection's side of the wire format of win/Device.h; exposed so the
// robustness test can feed it messages directly too.
std::unique_ptr<Session> MakeDeviceSession(Driver& driver);

}  // namespace vboard
