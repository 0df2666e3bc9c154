#include "EqRules.h"

namespace quorvix {

void* EqField(EqValues& values, ULONG id, ULONG& size) {
    size = sizeof(std::int32_t);
    switch (id) {
    case AX_EQ_BYPASS: size = sizeof values.bypass; return &values.bypass;
    case AX_EQ_TYPE: return &values.type;
    case AX_EQ_FREQUENCY: return &values.frequency;
    case AX_EQ_GAIN: return &values.gain;
    case AX_EQ_Q: return &values.q;
    default: size = 0; return nullptr;
    }
}

std::int32_t& SliderValue(EqValues& values, const EqSlider& slider) {
    ULONG size = 0;
    return *static_cast<std::int32_t*>(EqField(values, slider.property, size));
}

}  // namespace quorvix
