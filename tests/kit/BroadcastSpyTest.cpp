#include "testkit/BroadcastSpy.h"
#include "testkit/Process.h"
#include <gtest/gtest.h>

using namespace testkit;

namespace {

std::string Helper() { return ProgramDirectory() + "\\kit_broadcast.exe"; }

}  // namespace

TEST(BroadcastSpy, RecordsRegisteredBroadcastsOfThisProcess) {
    BroadcastSpy spy;
    UINT start = RegisterWindowMessageA("START QUORVI UPDATE");
    UINT end = RegisterWindowMessageA("END QUORVI UPDATE");
    ASSERT_TRUE(PostMessageA(HWND_BROADCAST, start, 0, 0));
    ASSERT_TRUE(PostMessageA(spy.Window(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(SendMessageTimeoutA(HWND_BROADCAST, end, 3, 4, SMTO_ABORTIFHUNG, 5000, nullptr));
    ASSERT_TRUE(spy.WaitFor("end quorvi update"));
    ASSERT_TRUE(spy.WaitFor("START QUORVI UPDATE"));

    EXPECT_EQ(spy.Received().size(), 2u) << "only registered messages are recorded";
    std::vector<Broadcast> ends = spy.Received("END QUORVI UPDATE");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].name, "END QUORVI UPDATE");
    EXPECT_EQ(ends[0].message, end);
    EXPECT_EQ(ends[0].wParam, 3u);
    EXPECT_EQ(ends[0].lParam, 4);
    EXPECT_TRUE(ends[0].sent);
    EXPECT_FALSE(spy.WaitFor("START QUORVI UPDATE")->sent);
    spy.Clear();
    EXPECT_TRUE(spy.Received().empty());
}

TEST(BroadcastSpy, RecordsBroadcastsOfAnotherProcess) {
    BroadcastSpy spy;
    BroadcastSpy second;
    RunResult posted = RunProgram(Helper(), "\"QUORVI TRAY\" 0x12345678 0x9abc");
    ASSERT_TRUE(posted.started);
    ASSERT_TRUE(posted.finished);
    EXPECT_EQ(posted.exitCode, 0u);
    RunResult sent = RunProgram(Helper(), "\"QUORVI METERS\" 2 0 send");
    EXPECT_EQ(sent.exitCode, 0u);

    std::optional<Broadcast> tray = spy.WaitFor("QUORVI TRAY");
    ASSERT_TRUE(tray);
    EXPECT_EQ(tray->wParam, 0x12345678u);
    EXPECT_EQ(tray->lParam, 0x9abc);
    EXPECT_FALSE(tray->sent);
    std::optional<Broadcast> meters = spy.WaitFor("QUORVI METERS");
    ASSERT_TRUE(meters);
    EXPECT_EQ(meters->wParam, 2u);
    EXPECT_TRUE(meters->sent);
    EXPECT_TRUE(second.WaitForCount("QUORVI TRAY", 1)) << "every top-level window gets the broadcast";
    EXPECT_EQ(spy.Received("QUORVI TRAY").size(), 1u);
}

TEST(ChildProcess, ReportsExitCodeAndEndsWhatRunsTooLong) {
    EXPECT_EQ(RunProgram(Helper(), "").exitCode, 1u);
    RunResult missing = RunProgram(ProgramDirectory() + "\\no_such_program.exe");
    EXPECT_FALSE(missing.started);

    // kit_form waits for a user; the time runs out and it is ended.
    RunResult waiting = RunProgram(ProgramDirectory() + "\\kit_form.exe", "", 500);
    EXPECT_TRUE(waiting.started);
    EXPECT_FALSE(waiting.finished);
    EXPECT_EQ(waiting.exitCode, STILL_ACTIVE);
}
