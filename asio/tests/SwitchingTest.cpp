// What each wake hands over and counts, and the time record.
#include <gtest/gtest.h>

#include "Switching.h"
#include "quorvi/DriverRequests.h"

using namespace quorviasio;

namespace {

constexpr std::uint32_t kHalf0 = quorvi::kStatusHalf0;

// A board whose blocks end one millisecond apart (the rates the trackers
// start with), stamping each finished half.
struct Board {
    std::uint32_t status = 0;
    std::uint32_t stamps[2] = {0x41414141, 0x41414141};
    std::uint32_t now;
    int next = 0;

    explicit Board(std::uint32_t start) : now(start) {}
    void block() {
        ++now;
        stamps[next] = now;
        status = next == 0 ? kHalf0 : 0;
        next ^= 1;
    }
};

TEST(Switching, EveryBlockFromTheFirstIsHandedOverAndCounted) {
    for (std::uint32_t start : {1000u, 0xFFFFFFF0u, 0x41414141u}) {
        HalfTracker tracker;
        tracker.start(64, 64000.0);
        Board board(start);
        for (int n = 1; n <= 40; ++n) {
            board.block();
            auto h = tracker.wake(board.status, board.stamps, board.now);
            ASSERT_TRUE(h) << start << " block " << n;
            EXPECT_EQ(h->half, (n - 1) % 2);
            EXPECT_EQ(h->position, 64u * n);
            EXPECT_EQ(h->timeMs, board.now);
        }
    }
}

TEST(Switching, AWakeNamingTheHalfAlreadyHandedOverIsPassedBy) {
    HalfTracker tracker;
    tracker.start(256, 256000.0);
    Board board(5000);
    // Left over from before the start: the status word start cleared.
    EXPECT_FALSE(tracker.wake(0, board.stamps, board.now));
    board.block();
    ASSERT_TRUE(tracker.wake(board.status, board.stamps, board.now));
    EXPECT_FALSE(tracker.wake(board.status, board.stamps, board.now + 1));
    EXPECT_EQ(tracker.counter(), 256u);
}

TEST(Switching, AWakeThatCameLateCountsTheBlocksItMissed) {
    HalfTracker tracker;
    tracker.start(64, 64000.0);
    Board board(100);
    board.block();
    tracker.wake(board.status, board.stamps, board.now);
    // One block late: its half is named again, and passed by.
    board.block();
    board.block();
    EXPECT_FALSE(tracker.wake(board.status, board.stamps, board.now));
    board.block();
    auto h = tracker.wake(board.status, board.stamps, board.now);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->half, 1);
    EXPECT_EQ(h->position, 4u * 64);
    // Two blocks late: the other half is named, three blocks on.
    for (int i = 0; i < 3; ++i) board.block();
    h = tracker.wake(board.status, board.stamps, board.now);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->position, 7u * 64);

    // Millisecond stamps still tell one block from three at 64 samples and
    // 48 kHz, however the boundaries round.
    tracker.start(64, 48000.0);
    const std::uint32_t one[2] = {1, 0x41414141}, next[2] = {1, 3}, three[2] = {5, 3}, late[2] = {5, 9};
    tracker.wake(kHalf0, one, 1);
    EXPECT_EQ(tracker.wake(0, next, 3)->position, 2u * 64);
    EXPECT_EQ(tracker.wake(kHalf0, three, 5)->position, 3u * 64);
    EXPECT_EQ(tracker.wake(0, late, 9)->position, 6u * 64) << "4 ms: three blocks of 1.33 ms";
}

TEST(Switching, AHalfWithAStaleStampIsHandedOverButNotCounted) {
    HalfTracker tracker;
    tracker.start(64, 64000.0);
    Board board(100);
    board.block();
    tracker.wake(board.status, board.stamps, board.now);
    board.block();
    tracker.wake(board.status, board.stamps, board.now);
    // Bit 0 names half 0 again, but its stamp is the old one.
    auto h = tracker.wake(kHalf0, board.stamps, board.now + 1);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->half, 0);
    EXPECT_EQ(h->position, 128u);
}

TEST(Switching, TheTimeRecordCarriesPositionStampRateAndTimeCode) {
    ASIOTime record{};
    record.timeInfo.sampleRate = 48000.0;
    const HalfTracker::Handover h{1, 0x100000040ull, 5000};
    FillTimeRecord(record, 48000.0, h, 123456, quorvi::kStatusTimecodeRunning);
    EXPECT_EQ(record.timeInfo.flags, kSystemTimeValid | kSamplePositionValid | kSampleRateValid);
    EXPECT_EQ(record.timeInfo.samplePosition.hi, 1u);
    EXPECT_EQ(record.timeInfo.samplePosition.lo, 0x40u);
    // 5000 ms = 5,000,000,000 ns = 1 x 2^32 + 705,032,704.
    EXPECT_EQ(record.timeInfo.systemTime.hi, 1u);
    EXPECT_EQ(record.timeInfo.systemTime.lo, 705032704u);
    EXPECT_EQ(record.timeCode.timeCodeSamples.lo, 123456u);
    EXPECT_EQ(record.timeCode.flags, kTcOnspeed | kTcValid | kTcRunning);

    FillTimeRecord(record, 44100.0, h, 0, quorvi::kStatusTimecodeStill);
    EXPECT_EQ(record.timeInfo.flags & kSampleRateChanged, kSampleRateChanged);
    EXPECT_EQ(record.timeInfo.sampleRate, 44100.0);
    EXPECT_EQ(record.timeCode.flags, kTcStill);
    FillTimeRecord(record, 44100.0, h, 0, 0);
    EXPECT_EQ(record.timeInfo.flags & kSampleRateChanged, 0u);
    EXPECT_EQ(record.timeCode.flags, kTcValid | kTcRunning);
}

}  // namespace
