#include "LatencyStore.h"

#include "quorvi/QuorviCore.h"

namespace asiopanel {

void loadSettings(ReservationModel& model) {
    for (int i = 0; i < kInterfaceCount; ++i) {
        auto& s = model.settings(static_cast<Interface>(i));
        DWORD latency = s.blockLatency, outCoeff = s.outputCoefficient, outConst = s.outputConstant;
        QuorviGetBlockLatency(driverKey(static_cast<Interface>(i)), &latency, nullptr, &outCoeff,
                              nullptr, &outConst, &s.reservation);
        s.blockLatency = latency;
        s.outputCoefficient = outCoeff;
        s.outputConstant = outConst;
    }
    model.resetInvalidLatencies();
}

void storeSettings(ReservationModel& model) {
    model.resetInvalidLatencies();
    for (int i = 0; i < kInterfaceCount; ++i) {
        const auto& s = model.settings(static_cast<Interface>(i));
        QuorviSetBlockLatency(driverKey(static_cast<Interface>(i)), s.blockLatency, &s.reservation);
    }
}

}  // namespace asiopanel
