#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Robot.h"
#include "forms/KitForms.h"
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace testkit;

namespace {

// EXPECT_*_FAILURE statements cannot touch locals, so these keep their results
// in statics.
int g_result;

void ShowUnannouncedBox() {
    MessageBoxCatcher catcher;
    g_result = MessageBoxA(nullptr, "Nobody said this would come.", "Kit", MB_YESNO);
}

void ShowBoxWithoutTheAnnouncedButton() {
    MessageBoxCatcher catcher;
    catcher.Expect(IDYES);
    g_result = MessageBoxA(nullptr, "Only OK here.", "Kit", MB_OK);
}

void AnnounceBoxThatNeverComes() {
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK, 2);
    g_result = MessageBoxA(nullptr, "One of two.", "Kit", MB_OK);
}

void ShowBoxWithNoCatcherOfItsOwn() {
    g_result = MessageBoxA(nullptr, "Nobody prepared for this.", "Kit", MB_OKCANCEL);
}

}  // namespace

TEST(MessageBoxCatcher, AnswersAnnouncedBoxesInOrderOnAnyThread) {
    MessageBoxCatcher catcher;
    catcher.Expect(IDNO);
    catcher.Expect(IDRETRY);
    catcher.Expect(IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Save the changes?", "QUORVI", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Try that again?", "Second", MB_RETRYCANCEL), IDRETRY);
    int fromThread = 0;
    std::thread other([&] { fromThread = MessageBoxA(nullptr, "From a worker", "Third", MB_OK); });
    EXPECT_TRUE(catcher.WaitForBoxes(3));
    other.join();
    EXPECT_EQ(fromThread, IDOK);

    std::vector<CaughtBox> boxes = catcher.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].caption, "QUORVI");
    EXPECT_EQ(boxes[0].text, "Save the changes?");
    EXPECT_EQ(boxes[0].pressed, IDNO);
    EXPECT_TRUE(boxes[0].expected);
    EXPECT_EQ(catcher.Texts(), (std::vector<std::string>{"Save the changes?", "Try that again?", "From a worker"}));
}

TEST(MessageBoxCatcher, UnannouncedBoxFailsTheTestButIsDismissed) {
    g_result = 0;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(ShowUnannouncedBox(), "unexpected message box \"Kit\"");
    // Cancel is the default answer; a Yes/No box has none, so No is pressed.
    EXPECT_EQ(g_result, IDNO);
}

// The kit's catcher underneath every test; the other tests show that it
// stays silent while a test's own catcher lives.
TEST(MessageBoxCatcher, ABoxInATestWithoutACatcherFailsItInsteadOfHanging) {
    g_result = 0;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(ShowBoxWithNoCatcherOfItsOwn(),
                                           "unexpected message box \"Kit\"");
    EXPECT_EQ(g_result, IDCANCEL);
}

TEST(MessageBoxCatcher, MissingButtonOrMissingBoxFailsTheTest) {
    g_result = 0;
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(ShowBoxWithoutTheAnnouncedButton(), "has no Yes button");
    EXPECT_EQ(g_result, IDOK);
    EXPECT_NONFATAL_FAILURE(AnnounceBoxThatNeverComes(), "1 announced message box(es) never appeared");
}

TEST(MessageBoxCatcher, AnswersBoxesOfAWatchedProcess) {
    MessageBoxCatcher catcher;
    catcher.Expect(IDYES);
    ChildProcess child;
    ASSERT_TRUE(child.Start(ProgramDirectory() + "\\kit_form.exe", "box"));
    catcher.AlsoWatch(child.Id());
    ASSERT_TRUE(child.Wait(10000));
    EXPECT_EQ(child.ExitCode(), static_cast<DWORD>(IDYES));
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].caption, "Kit Form");
    EXPECT_EQ(catcher.Boxes()[0].text, "Remote box");
}

TEST(MessageBoxCatcher, LeavesAProgramsOwnPlainDialogAlone) {
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    INT_PTR result = 0;
    RunWhile([&] { result = RunNoticeModal(); },
             [&] {
                 HWND notice = WaitForTopWindow("#32770", "Kit Notice");
                 if (!notice) return;
                 // The catcher's scan that finds this box also passes the notice.
                 MessageBoxA(nullptr, "A real one", "Kit", MB_OK);
                 EXPECT_TRUE(IsVisible(notice));
                 PostClick(Control(notice, IDOK));
             });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(catcher.Texts(), std::vector<std::string>{"A real one"});
}
