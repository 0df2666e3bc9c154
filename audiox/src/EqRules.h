#pragma once
// What the one-band equaliser page edits: its five values, how each is
// exchanged with the effect objects, and the three sliders.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "audiox.h"
#include "resource.h"

namespace quorvix {

#pragma pack(push, 1)
// The page's values in property order; the bypass byte is padded to 4.
struct EqValues {
    std::uint8_t bypass;
    std::uint8_t padding[3];
    std::int32_t type;
    std::int32_t frequency;
    std::int32_t gain;
    std::int32_t q;
};
#pragma pack(pop)
static_assert(sizeof(EqValues) == 20);
static_assert(offsetof(EqValues, type) == 4);
static_assert(offsetof(EqValues, q) == 16);

// The order in which the page reads the values at activation and writes
// them back when its changes are undone.
inline constexpr ULONG kEqValueOrder[] = {AX_EQ_TYPE, AX_EQ_BYPASS, AX_EQ_FREQUENCY, AX_EQ_GAIN, AX_EQ_Q};

// Where a property's value lives in EqValues and how many bytes it has;
// null for the version and any other id.
void* EqField(EqValues& values, ULONG id, ULONG& size);

struct EqSlider {
    int control;
    int text;
    ULONG property;
    int min, max, tick, page;
};
inline constexpr EqSlider kEqSliders[] = {
    {IDC_EQ_FREQUENCY, IDC_EQ_FREQUENCY_TEXT, AX_EQ_FREQUENCY, 0, 20000, 500, 500},
    {IDC_EQ_GAIN, IDC_EQ_GAIN_TEXT, AX_EQ_GAIN, 0, 20, 1, 1},
    {IDC_EQ_Q, IDC_EQ_Q_TEXT, AX_EQ_Q, 1, 10, 1, 1},
};

// The value a slider moves.
std::int32_t& SliderValue(EqValues& values, const EqSlider& slider);

}  // namespace quorvix
