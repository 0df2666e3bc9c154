#include "StatusRules.h"
#include <gtest/gtest.h>

using namespace tray;

namespace {

constexpr std::uint32_t kAllKinds = 0x3FFF;
constexpr std::uint32_t kInputAError = 1u << 1;   // word 1
constexpr std::uint32_t kNoSync = 1u << 0;        // word 1
constexpr std::uint32_t Subcode(int s) { return static_cast<std::uint32_t>(s) << 4; }
constexpr int kSyncLamp = 4, kValidityLamp = 7;

}  // namespace

TEST(StatusRules, MaskedErrorsAreShownButDoNotCount) {
    const StatusMasks all = MasksFor(kAllKinds);
    EXPECT_TRUE(CountsAsError(0, kInputAError, all));
    EXPECT_EQ(VerdictFor(0, kInputAError, all), Verdict::SystemErrors);

    const StatusMasks noInputA = MasksFor(kAllKinds & ~LampMaskBit(5));
    EXPECT_FALSE(CountsAsError(0, kInputAError, noInputA));
    EXPECT_EQ(VerdictFor(0, kInputAError, noInputA), Verdict::MaskedErrors);
    EXPECT_EQ(VerdictFor(0, 0, noInputA), Verdict::SystemOk);

    // Bit 8 of word 1 (time code paused) and subcode 3 never count.
    EXPECT_FALSE(CountsAsError(0, 0x100 | Subcode(3), all));
    // Unmasked bits of word 0 outside the check boxes always count.
    EXPECT_TRUE(CountsAsError(1u << 5, 0, MasksFor(0)));
    EXPECT_FALSE(CountsAsError(1u << 23, 0, MasksFor(0)));
}

TEST(StatusRules, AFatalErrorIsNeverShownAsMasked) {
    EXPECT_FALSE(CountsAsError(kFatalBit, 0, MasksFor(0)));
    EXPECT_EQ(VerdictFor(kFatalBit, 0, MasksFor(0)), Verdict::SystemErrors);
}

TEST(StatusRules, LampsFollowTheLatchedWordsWhateverTheMask) {
    EXPECT_TRUE(LitLamps(0, kNoSync, 0) & 1u << kSyncLamp);
    EXPECT_FALSE(LitLamps(0, kNoSync, 3) & 1u << kSyncLamp);   // format 3 has no sync lamp
    EXPECT_EQ(LitLamps(1u << 23 | 1u << 0, 0, 0), 1u << 0 | 1u << 3);

    // Unchecking "Validity bit": the lamp stays lit, the error no longer counts.
    const std::uint32_t word1 = Subcode(1);
    EXPECT_EQ(LitLamps(0, word1, 0), 1u << kValidityLamp);
    EXPECT_TRUE(CountsAsError(0, word1, MasksFor(kAllKinds)));
    const std::uint32_t unchecked = kAllKinds ^ LampMaskBit(kValidityLamp);
    EXPECT_FALSE(CountsAsError(0, word1, MasksFor(unchecked)));
    EXPECT_EQ(LitLamps(0, Subcode(7), 0), 1u << 12);
    EXPECT_EQ(LitLamps(0, Subcode(3), 0), 0u);
}

TEST(StatusPageView, EachPageRedrawsOnlyItsOwnChanges) {
    const StatusMasks masks = MasksFor(kAllKinds);
    StatusPageView a, b;
    StatusPageView::Update u = a.Tick(0, 0, 0, masks);
    EXPECT_EQ(u.changedLamps, (1u << kLamps) - 1);   // first tick sets every lamp
    EXPECT_TRUE(u.verdictChanged);
    EXPECT_EQ(a.Tick(0, 0, 0, masks).changedLamps, 0u);
    EXPECT_FALSE(a.Tick(0, 0, 0, masks).verdictChanged);

    // Board B goes into error first, then board A: A must still rewrite its
    // verdict although B already shows the same one.
    b.Tick(0, 0, 0, masks);
    EXPECT_TRUE(b.Tick(0, kInputAError, 0, masks).verdictChanged);
    u = a.Tick(0, kInputAError, 0, masks);
    EXPECT_TRUE(u.verdictChanged);
    EXPECT_EQ(u.verdict, Verdict::SystemErrors);
    EXPECT_EQ(u.changedLamps, 1u << 5);
    EXPECT_EQ(u.litLamps, 1u << 5);

    a.Invalidate();
    u = a.Tick(0, kInputAError, 0, masks);
    EXPECT_EQ(u.changedLamps, (1u << kLamps) - 1);
    EXPECT_TRUE(u.verdictChanged);
}
