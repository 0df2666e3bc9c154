#include "LatencyStore.h"

#include "quorvi/QuorviCore.h"

namespace asiopanel {

void loadSettings(ReservationModel& model) {
    for (int i = 0; i < kInterfaceCount; ++i) {
        auto& s = model.settings(static_cast<Interface>(i));
        DWORD latency = s.blockLatency, outCoeff = s.outputCoefficient, outConst = s.outputConstant;
        s.installed = QuorviGetBlockLatency(driverKey(static_cast<Interface>(i)), &latency, nullptr,
                                            &outCoeff, nullptr, &outConst, &s.reservation) != 0;
        s.blockLatency = latency;
        s.outputCoefficient = outCoeff;
        s.outputConstant = outConst;
    }
    model.resetInvalidLatencies();
}

std::vector<Interface> storeSettings(ReservationModel& model) {
    model.resetInvalidLatencies();
    std::vector<Interface> failed;
    for (int i = 0; i < kInterfaceCount; ++i) {
        const auto driver = static_cast<Interface>(i);
        const auto& s = model.settings(driver);
        if (!QuorviSetBlockLatency(driverKey(driver), s.blockLatency, &s.reservation) && s.installed)
            failed.push_back(driver);
    }
    return failed;
}

}  // namespace asiopanel
