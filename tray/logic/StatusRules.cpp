#include "StatusRules.h"

namespace tray {

namespace {

constexpr std::uint32_t kAllLamps = (1u << kLamps) - 1;

// Lamps 0-6 test a bit of word 0 or word 1; lamps 7-12 a subcode.
struct LampBit {
    int word;
    std::uint32_t bit;
};
constexpr LampBit kBitLamps[7] = {
    {0, 1u << 23}, {0, 1u << 22}, {0, 1u << 1}, {0, 1u << 0}, {1, 1u << 0}, {1, 1u << 1}, {1, 1u << 2}};
constexpr int kSubcodeLamps[6] = {1, 2, 4, 5, 6, 7};
constexpr int kSyncLamp = 4;

constexpr std::uint32_t kMaskBits[kLamps] = {0x1,  0x2,  0x4,   0x8,   0x10,   0x20,  0x40,
                                             0x80, 0x100, 0x400, 0x800, 0x1000, 0x2000};

int Subcode(std::uint32_t word1) { return (word1 >> 4) & 7; }

}  // namespace

StatusMasks MasksFor(std::uint32_t f) {
    StatusMasks m{};
    m.mask0 = f & 0x1 ? 0xFFFFFFFF : 0xFF7FFFFF;
    if (!(f & 0x2)) m.mask0 &= ~(1u << 22);
    if (!(f & 0x4)) m.mask0 &= ~(1u << 1);
    if (!(f & 0x8)) m.mask0 &= ~(1u << 0);
    // Word 1 bits 4-6 carry the subcode and bit 8 is never an error.
    m.mask1 = f & 0x10 ? 0xFFFFFE8F : 0xFFFFFE8E;
    if (!(f & 0x20)) m.mask1 &= ~(1u << 1);
    if (!(f & 0x40)) m.mask1 &= ~(1u << 2);
    for (int lamp = 7; lamp < kLamps; ++lamp) m.subcode[kSubcodeLamps[lamp - 7]] = (f & kMaskBits[lamp]) != 0;
    return m;
}

bool CountsAsError(std::uint32_t word0, std::uint32_t word1, const StatusMasks& masks) {
    return (word0 & masks.mask0 & ~kFatalBit) != 0 || (word1 & masks.mask1) != 0 || masks.subcode[Subcode(word1)];
}

std::uint32_t LampMaskBit(int lamp) { return lamp >= 0 && lamp < kLamps ? kMaskBits[lamp] : 0; }

std::uint32_t LitLamps(std::uint32_t word0, std::uint32_t word1, int format) {
    std::uint32_t lit = 0;
    for (int lamp = 0; lamp < 7; ++lamp) {
        const LampBit& b = kBitLamps[lamp];
        if ((b.word ? word1 : word0) & b.bit) lit |= 1u << lamp;
    }
    if (format == 3) lit &= ~(1u << kSyncLamp);
    for (int lamp = 7; lamp < kLamps; ++lamp)
        if (Subcode(word1) == kSubcodeLamps[lamp - 7]) lit |= 1u << lamp;
    return lit;
}

// A fatal error is the worst a board can report; it is never a masked one.
Verdict VerdictFor(std::uint32_t word0, std::uint32_t word1, const StatusMasks& masks) {
    if (word0 == 0 && word1 == 0) return Verdict::SystemOk;
    if ((word0 & kFatalBit) || CountsAsError(word0, word1, masks)) return Verdict::SystemErrors;
    return Verdict::MaskedErrors;
}

StatusPageView::Update StatusPageView::Tick(std::uint32_t word0, std::uint32_t word1, int format,
                                            const StatusMasks& masks) {
    const std::uint32_t lit = LitLamps(word0, word1, format);
    const Verdict verdict = VerdictFor(word0, word1, masks);
    Update update{known_ ? (lit ^ lit_) : kAllLamps, lit, !known_ || verdict != verdict_, verdict};
    known_ = true;
    lit_ = lit;
    verdict_ = verdict;
    return update;
}

}  // namespace tray
