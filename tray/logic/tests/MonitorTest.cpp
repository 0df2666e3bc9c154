// The monitor tick against boards and a screen that record what they are
// asked: the order of its steps, the icon, the rate registers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Monitor.h"
#include "resource.h"

using namespace tray;

namespace {

// Counter readings at 44.1 kHz of a board whose calibration summed 25600:
// 44.1 and 48 kHz give whole counts.
constexpr std::uint32_t kTicks = 25600;
constexpr std::uint32_t kCount441 = 800;
constexpr std::uint32_t kCount48 = 735;
constexpr std::uint32_t kCount32 = 1102;

struct FakeBoards : MonitorBoards {
    std::uint32_t counter[kMaxBoards] = {kCount441, kCount441, kCount441, kCount441};
    std::uint32_t words[2 * kMaxBoards] = {};
    bool failStatus = false, failFlags = false, failMasks = false, failFpga = false;
    int statusReads = 0, flagReads = 0;
    std::vector<std::pair<int, std::uint32_t>> fpga, highRate, masks;

    bool ReadStatus(int board, std::uint32_t& c, std::uint32_t& io) override {
        ++statusReads;
        if (failStatus) return false;
        c = counter[board];
        io = 0x123456;
        return true;
    }
    bool ReadStatusFlags(int, std::uint32_t (&out)[2 * kMaxBoards]) override {
        ++flagReads;
        if (failFlags) return false;
        std::memcpy(out, words, sizeof words);
        return true;
    }
    bool SetStatusMasks(int board, std::uint32_t enable) override {
        masks.emplace_back(board, enable);
        return !failMasks;
    }
    UINT SendHighRateBit(int board, std::uint32_t word) override {
        highRate.emplace_back(board, word);
        return 0;
    }
    bool SendFpgaWord(int board, std::uint32_t word) override {
        fpga.emplace_back(board, word);
        return !failFpga;
    }
};

struct FakeScreen : MonitorScreen {
    std::vector<UINT> reports;
    std::vector<TrayIcon> icons;
    int fatalBoxes = 0;
    bool stopped = false, iconRemoved = false;
    std::vector<std::pair<std::uint32_t, float>> announced;
    bool meterOpen = false;

    void Report(UINT id) override { reports.push_back(id); }
    void ShowFatal() override { ++fatalBoxes; }
    void SetIcon(TrayIcon icon) override { icons.push_back(icon); }
    void StopMonitoring(bool removeIcon) override {
        stopped = true;
        iconRemoved = removeIcon;
    }
    void AnnounceRate(std::uint32_t clock, float hz) override { announced.emplace_back(clock, hz); }
    bool MeterWindowOpen(int) override { return meterOpen; }
    bool ResendMix(int) override { return false; }
};

class MonitorTest : public ::testing::Test {
protected:
    void Start(int boardCount) {
        std::memset(record.get(), 0, sizeof *record);
        for (auto& b : record->boards) b.statusMask = 0x3FFF;
        for (auto& d : record->device.boards) std::memset(d.mainClock, 3, sizeof d.mainClock);
        monitor.Reset(boardCount);
        for (int b = 0; b < boardCount; ++b) monitor.SetCalibration(b, kTicks);
        monitor.ProgramMasks(*record);
    }
    // Runs ticks until the four after the mask pass have been skipped.
    void Settle() {
        for (int i = 0; i < 5; ++i) monitor.Tick(*record);
        boards.fpga.clear();
        boards.highRate.clear();
        screen.icons.clear();
    }
    void Format(int board, int format, int clock) {
        record->device.boards[board].format = static_cast<std::uint8_t>(format);
        record->device.boards[board].mainClock[format] = static_cast<std::uint8_t>(clock);
    }

    FakeBoards boards;
    FakeScreen screen;
    Monitor monitor{boards, screen};
    std::unique_ptr<quorvi::SettingsRecord> record = std::make_unique<quorvi::SettingsRecord>();
};

}  // namespace

TEST_F(MonitorTest, ACountedBitTurnsTheIconRedOnceAndAClearStartsAfresh) {
    Start(2);
    Settle();
    boards.words[3] = 0x2;  // board 2, input A data error
    monitor.Tick(*record);
    EXPECT_TRUE(monitor.clockErrorLatched());
    monitor.Tick(*record);
    EXPECT_EQ(screen.icons, std::vector<TrayIcon>{TrayIcon::ClockError}) << "red once, while latched";

    monitor.RequestClear();
    EXPECT_FALSE(monitor.clockErrorLatched());
    monitor.Tick(*record);
    EXPECT_EQ(screen.icons.back(), TrayIcon::ClockError) << "still reported: green and red again at once";
    boards.words[3] = 0;
    monitor.RequestClear();
    monitor.Tick(*record);
    EXPECT_EQ(screen.icons.back(), TrayIcon::Ok);
    EXPECT_EQ(monitor.board(1).latched[1], 0u) << "the clear replaced the latched words";
    EXPECT_FALSE(monitor.clockErrorLatched());
}

TEST_F(MonitorTest, AMaskedBitIsLatchedButLeavesTheIconAlone) {
    Start(1);
    record->boards[0].statusMask = 0x3FFF & ~0x20;
    monitor.ProgramMasks(*record);
    Settle();
    boards.words[1] = 0x2 | 0x100;  // and time code standing still, which never counts
    monitor.Tick(*record);
    EXPECT_TRUE(screen.icons.empty());
    EXPECT_EQ(monitor.board(0).latched[1], 0x102u);
    // The punch dialog takes the pause once; the rest stays latched.
    EXPECT_EQ(monitor.TakeLatched(0, 1, 0x100), 0x100u);
    EXPECT_EQ(monitor.TakeLatched(0, 1, 0x100), 0u);
    EXPECT_EQ(monitor.board(0).latched[1], 0x2u);
}

TEST_F(MonitorTest, AFatalBoardStopsEverythingWithoutRemovingTheIcon) {
    Start(3);
    Settle();
    boards.words[2] = kFatalBit;  // board 2
    boards.words[5] = 0x2;        // and a clock error on board 3, never reached
    monitor.Tick(*record);
    EXPECT_EQ(screen.fatalBoxes, 1);
    EXPECT_EQ(screen.icons, std::vector<TrayIcon>{TrayIcon::Fatal});
    EXPECT_TRUE(screen.stopped);
    EXPECT_FALSE(screen.iconRemoved);
    EXPECT_FALSE(monitor.clockErrorLatched());

    const int reads = boards.statusReads + boards.flagReads;
    monitor.Tick(*record);
    EXPECT_EQ(boards.statusReads + boards.flagReads, reads) << "a tick still queued does nothing";
    EXPECT_EQ(screen.fatalBoxes, 1);
}

TEST_F(MonitorTest, IdentifySpanAndTheFourTicksAfterItAreNotAccumulated) {
    Start(1);
    Settle();
    monitor.IdentifyStart();
    boards.words[1] = 0x2;
    for (int i = 0; i < 3; ++i) monitor.Tick(*record);
    monitor.IdentifyStop();
    for (int i = 0; i < 4; ++i) monitor.Tick(*record);
    EXPECT_TRUE(screen.icons.empty());
    EXPECT_EQ(monitor.board(0).latched[1], 0u);
    monitor.Tick(*record);
    EXPECT_EQ(screen.icons, std::vector<TrayIcon>{TrayIcon::ClockError});
}

TEST_F(MonitorTest, FailedStatusReadsEndMonitoringAndRemoveTheIcon) {
    Start(2);
    boards.failFlags = true;
    monitor.Tick(*record);
    EXPECT_TRUE(screen.stopped);
    EXPECT_TRUE(screen.iconRemoved);
    EXPECT_EQ(screen.reports, std::vector<UINT>{IDS_GET_STATUS_FLAGS_FAILED});
    EXPECT_TRUE(monitor.stopped());

    const int reads = boards.flagReads;
    monitor.ProgramMasks(*record);
    EXPECT_EQ(boards.masks.size(), 4u) << "a later update still programs the masks";
    EXPECT_EQ(boards.flagReads, reads) << "but does not read, nor report the failure again";
    EXPECT_EQ(screen.reports.size(), 1u);
}

TEST_F(MonitorTest, MaskPassStopsAtAFailedBoardButStillReadsTheWords) {
    Start(1);
    boards.masks.clear();
    boards.failMasks = true;
    monitor.Reset(3);
    const int flagReads = boards.flagReads;
    monitor.ProgramMasks(*record);
    EXPECT_EQ(boards.masks.size(), 1u);
    EXPECT_EQ(screen.reports, std::vector<UINT>{IDS_SET_MASKS_FAILED});
    EXPECT_EQ(boards.flagReads, flagReads + 1);
    EXPECT_EQ(monitor.skipCount(), 4);
}

TEST_F(MonitorTest, MaskPassSendsEachBoardItsEnableValue) {
    std::memset(record.get(), 0, sizeof *record);
    Format(0, 1, 0x20);
    Format(1, 6, 3);
    Format(2, 3, 4);
    monitor.Reset(3);
    monitor.ProgramMasks(*record);
    using Mask = std::pair<int, std::uint32_t>;
    EXPECT_EQ(boards.masks, (std::vector<Mask>{{0, 0x173}, {1, 0x173}, {2, 0x170}}));
}

TEST_F(MonitorTest, ABoardSwitchedTo48kHzGetsItsBandAndIsAnnouncedOnce) {
    Start(2);
    Format(0, 1, 3);
    Format(1, 1, 3);
    record->device.masterBoard = 1;
    Settle();
    ASSERT_EQ(screen.announced.size(), 1u);
    EXPECT_EQ(screen.announced[0].second, 44100.0f);

    Format(1, 1, 4);
    boards.counter[1] = kCount48;
    for (int i = 0; i < 3; ++i) monitor.Tick(*record);
    using Word = std::pair<int, std::uint32_t>;
    EXPECT_EQ(boards.fpga, (std::vector<Word>{{1, 0x502}, {0, 0x500}, {1, 0x502}, {0, 0x500}, {1, 0x502}}))
        << "the shared band makes two boards at different rates rewrite theirs every tick";
    ASSERT_EQ(screen.announced.size(), 2u);
    EXPECT_EQ(screen.announced[1].first, 4u);
    EXPECT_EQ(screen.announced[1].second, 48000.0f);
    EXPECT_TRUE(boards.highRate.empty()) << "a rise keeps the high-rate bit";
}

TEST_F(MonitorTest, BoardsSwitchedTogetherAllGetTheirBandWord) {
    Start(2);
    Format(0, 1, 3);
    Format(1, 2, 3);
    Settle();
    boards.counter[0] = boards.counter[1] = kCount48;
    monitor.Tick(*record);
    using Word = std::pair<int, std::uint32_t>;
    EXPECT_EQ(boards.fpga, (std::vector<Word>{{0, 0x502}, {1, 0x502}}));
    monitor.Tick(*record);
    EXPECT_EQ(boards.fpga.size(), 2u) << "nothing more once both are in the band";
}

TEST_F(MonitorTest, AFallForcesTheHighRateBitAndBandAndAFailedBandWriteIsRepeated) {
    Start(1);
    Format(0, 3, 3);
    record->device.boards[0].srcClock[3] = 4;
    Settle();
    boards.counter[0] = kCount32;
    boards.failFpga = true;
    monitor.Tick(*record);
    using Word = std::pair<int, std::uint32_t>;
    EXPECT_EQ(boards.highRate, (std::vector<Word>{{0, 0}}));
    EXPECT_EQ(record->device.boards[0].hiRateBits, 0);
    EXPECT_EQ(boards.fpga, (std::vector<Word>{{0, 0x503}}));
    boards.failFpga = false;
    monitor.Tick(*record);
    EXPECT_EQ(boards.fpga, (std::vector<Word>{{0, 0x503}, {0, 0x503}, {0, 0x602}}));
    monitor.Tick(*record);
    EXPECT_EQ(boards.fpga.size(), 3u);
    EXPECT_TRUE(screen.reports.empty()) << "band writes fail silently and are retried";
}

TEST_F(MonitorTest, ABoardWithoutCountOrWithItsMeterOpenIsNotReadOrNotMeasured) {
    Start(1);
    Format(0, 1, 3);
    boards.counter[0] = 0;
    Settle();
    EXPECT_TRUE(boards.fpga.empty());
    EXPECT_TRUE(boards.highRate.empty());
    EXPECT_TRUE(screen.announced.empty());
    EXPECT_EQ(monitor.board(0).rate, 0.0);

    screen.meterOpen = true;
    const int reads = boards.statusReads;
    monitor.StoreStatus(0, kCount441, 0x42);
    monitor.Tick(*record);
    EXPECT_EQ(boards.statusReads, reads);
    EXPECT_NEAR(monitor.board(0).rate, 44.1, 1e-9) << "measured from the meter window's reading";
    EXPECT_EQ(monitor.board(0).ioWord, 0x42u);
}

// Reported once when the reads start failing, not with a box on every tick.
TEST_F(MonitorTest, FailingClockReadsAreReportedOncePerStretchAndTheTickGoesOn) {
    Start(2);
    boards.failStatus = true;
    const int flagReads = boards.flagReads;
    monitor.Tick(*record);
    EXPECT_EQ(screen.reports, (std::vector<UINT>{IDS_CLOCK_READ_FAILED})) << "one message for both boards";
    EXPECT_EQ(boards.flagReads, flagReads + 1);
    monitor.Tick(*record);
    monitor.Tick(*record);
    EXPECT_EQ(screen.reports.size(), 1u) << "still failing: nothing new to say";
    EXPECT_EQ(boards.flagReads, flagReads + 3);

    boards.failStatus = false;
    monitor.Tick(*record);
    boards.failStatus = true;
    monitor.Tick(*record);
    EXPECT_EQ(screen.reports.size(), 2u) << "failing again after a good read";
}
