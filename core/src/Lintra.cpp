// The sibling Lintra boards: pushing each board's rate, pulling its live
// state into the record.
#include "CoreStrings.h"
#include "LintraStatus.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/Device.h"
#include "win/ExceptionGuard.h"

using namespace quorvi;

namespace {

win::Device OpenLintra() {
    return win::Device(kDeviceNameLintra, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
}

// The boards the driver reports, at most the four the record has blocks for;
// a failed enumeration names none. The reply size is not relied on (older
// drivers leave it unset): the zero-filled reply names no device past what
// was written.
IceEnumReply Enumerate(const win::Device& driver) {
    IceEnumReply reply{};
    if (!driver.control(ICEAPI_ENUM_DEVICES, nullptr, 0, &reply, sizeof reply)) reply.count = 0;
    reply.count = LintraBoardCount(reply.count);
    return reply;
}

// A failed request is reported and the caller goes on with the next.
void SetRate(const win::Device& driver, std::uint32_t device, const LintraBlock& block) {
    IceSetRateRequest request{ICEAPI_SET_RATE, device, 0, LintraRate(block.rateCode), {}};
    RequestOrReport(driver.get(), ICEAPI_SET_RATE, &request, sizeof request, nullptr, 0,
                    IDS_ICEAPI_SET_RATE_FAILED);
}

void ReadLiveSetup(const win::Device& driver, std::uint32_t device, LintraBlock& block) {
    IceCustomRequest i2c{CUST_GET_I2C_SPACE, device, {}};
    std::uint8_t status[kIceI2cSpaceSize] = {};
    if (RequestOrReport(driver.get(), ICEAPI_CUSTOM, &i2c, sizeof i2c, status, sizeof status,
                        IDS_CUST_GET_I2C_SPACE_FAILED)) {
        DecodeLintraStatus(status, block);
    }
    IceCustomRequest gains{CUST_GET_MIC_GAINS, device, {}};
    RequestOrReport(driver.get(), ICEAPI_CUSTOM, &gains, sizeof gains, block.micGains,
                    sizeof block.micGains, IDS_CUST_GET_MIC_GAINS_FAILED);
    IceDeviceInfoRequest info{0, device, {}};
    RequestOrReport(driver.get(), ICEAPI_GETDEVICEINFO, &info, sizeof info, block.deviceInfo,
                    sizeof block.deviceInfo, IDS_ICEAPI_GETDEVICEINFO_FAILED);
}

template <class PerBoard>
int ForEachLintra(PerBoard perBoard) {
    win::Device driver = OpenLintra();
    if (!driver) return -1;
    IceEnumReply boards = Enumerate(driver);
    for (std::int32_t i = 0; i < boards.count; ++i) perBoard(driver, boards.devices[i], i);
    return boards.count;
}

}  // namespace

// Without a record there is nothing to send or fill: no board is touched.
// An exception is a failure like any other (0); -1 means only "no driver".
extern "C" int WINAPI LintraUpdate(SettingsRecord* record) {
    if (!record) return 0;
    return win::RunGuarded(0, [&] {
        return ForEachLintra([&](const win::Device& driver, std::uint32_t device, int i) {
            SetRate(driver, device, record->lintra[i]);
        });
    });
}

extern "C" int WINAPI LintraUpdateLiveSetup(SettingsRecord* record) {
    if (!record) return 0;
    return win::RunGuarded(0, [&] {
        return ForEachLintra([&](const win::Device& driver, std::uint32_t device, int i) {
            ReadLiveSetup(driver, device, record->lintra[i]);
        });
    });
}
