#include "Failures.h"
#include "forms/KitFormIds.h"
#include "forms/KitForms.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Robot.h"
#include <atomic>
#include <thread>

using namespace testkit;

namespace {

// The form as a modeless dialog with its own thread and message loop; the
// thread is stopped however the test ends.
class FormThread {
public:
    explicit FormThread(FormLog& log)
        : thread_([this, &log] {
              id_ = GetCurrentThreadId();
              HWND dlg = CreateForm(log);
              MSG msg;
              while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
                  if (!IsDialogMessageA(dlg, &msg)) {
                      TranslateMessage(&msg);
                      DispatchMessageA(&msg);
                  }
              }
          }) {}
    ~FormThread() {
        WaitUntil([&] { return id_ != 0; });
        PostThreadMessageA(id_, WM_QUIT, 0, 0);
        thread_.join();
    }

private:
    std::atomic<DWORD> id_{0};
    std::thread thread_;
};

}  // namespace

TEST(Robot, WorksEachKindOfControlOnAnotherThread) {
    MessageBoxCatcher catcher;
    FormLog log;
    FormThread ui(log);
    HWND form = WaitForTopWindow("#32770", "Kit Form");
    ASSERT_NE(form, nullptr);

    HWND name = Control(form, IDC_NAME);
    TypeText(name, "Desk 1");
    EXPECT_EQ(GetText(name), "Desk 1");
    EXPECT_EQ(log.editChanges, 6);
    HWND level = Control(form, IDC_LEVEL);
    TypeText(level, "12x45");
    EXPECT_EQ(GetText(level), "124") << "typed text must meet ES_NUMBER and the limit as a user's does";

    HWND apply = Control(form, IDC_APPLY);
    EXPECT_FALSE(IsEnabled(apply));
    std::vector<std::string> failures = FailuresOf([&] { Click(apply); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Contains(failures[0], "is disabled")) << failures[0];
    EXPECT_EQ(log.applyClicks, 0);
    HWND enable = Control(form, IDC_ENABLE);
    SetCheck(enable, true);
    EXPECT_EQ(GetCheck(enable), BST_CHECKED);
    EXPECT_TRUE(IsEnabled(apply));
    Click(apply);
    EXPECT_EQ(log.applyClicks, 1);
    EXPECT_EQ(GetText(Control(form, IDC_STATUS)), "Applied Desk 1");

    HWND rate = Control(form, IDC_RATE);
    EXPECT_EQ(ComboItems(rate), (std::vector<std::string>{"44.1 kHz", "48 kHz"}));
    EXPECT_TRUE(SelectComboText(rate, "48 kHz"));
    EXPECT_EQ(ComboSelection(rate), 1);
    EXPECT_EQ(GetText(rate), "48 kHz");
    EXPECT_EQ(log.rateChanges, 1);

    HWND sources = Control(form, IDC_SOURCES);
    EXPECT_TRUE(SelectListText(sources, "Word clock"));
    EXPECT_EQ(ListSelection(sources), 2);
    EXPECT_EQ(log.sourceChanges, 1);
    HWND quiet = Control(form, IDC_QUIET);
    EXPECT_TRUE(SelectListItem(quiet, 1));
    EXPECT_EQ(ListSelection(quiet), 1);
    EXPECT_EQ(log.quietChanges, 0) << "a list box without LBS_NOTIFY tells its parent nothing";
    EXPECT_EQ(FailuresOf([&] { SelectListItem(quiet, 5); }).size(), 1u);

    HWND tabs = Control(form, IDC_TABS);
    EXPECT_TRUE(SelectTab(tabs, 1));
    EXPECT_EQ(log.tabChanges, 1);
    log.refuseTabChange = true;
    EXPECT_FALSE(SelectTab(tabs, 0));
    EXPECT_EQ(log.tabChanges, 1);

    TypeText(name, "Desk 2");
    Click(Control(form, IDOK));
    EXPECT_EQ(log.nameOnOk, "Desk 2");
    EXPECT_FALSE(IsWindow(form));
    EXPECT_TRUE(catcher.Boxes().empty());
}

TEST(Robot, RunWhileDrivesAModalPropertySheetOnTheTestThread) {
    MessageBoxCatcher catcher;
    catcher.Expect(IDOK);
    SheetLog log;
    RunWhile([&] { RunSheetModal(log); },
             [&] {
                 HWND sheet = WaitForTopWindow("#32770", "Kit Sheet");
                 if (!sheet) return;
                 HWND first = Control(sheet, IDC_PAGE_EDIT);
                 EXPECT_EQ(GetText(first), "start");
                 TypeText(first, "");
                 EXPECT_FALSE(SelectTab(sheet, 1)) << "the first page refuses to be left empty";
                 TypeText(first, "one");
                 EXPECT_TRUE(SelectTab(sheet, 1));
                 HWND second = Control(sheet, IDC_PAGE_EDIT);
                 EXPECT_NE(second, first) << "the shown page's control wins over the hidden page's";
                 TypeText(second, "two");
                 SetCheck(Control(sheet, IDC_PAGE_CHECK), true);
                 PostClick(Control(sheet, IDOK));
             });
    EXPECT_EQ(log.first, "one");
    EXPECT_EQ(log.second, "two");
    EXPECT_TRUE(log.confirmed);
    EXPECT_EQ(catcher.Texts(), std::vector<std::string>{"Applied."});
}

TEST(Robot, NeverHangsOnAWindowLeftOpenOrMissing) {
    FormLog log;
    INT_PTR result = 0;
    std::vector<std::string> failures =
        FailuresOf([&] { RunWhile([&] { result = RunFormModal(log); }, [] {}, 100); });
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Contains(failures[0], "still open")) << failures[0];
    EXPECT_EQ(result, IDCANCEL);

    HWND none = nullptr;
    failures = FailuresOf([&] { none = WaitForTopWindow("#32770", "No Such Window", 50); });
    EXPECT_EQ(none, nullptr);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(Contains(failures[0], "No Such Window")) << failures[0];
}

TEST(Robot, DrivesADialogOfAnotherProcess) {
    ChildProcess form;
    ASSERT_TRUE(form.Start(ProgramDirectory() + "\\kit_form.exe"));
    HWND dlg = WaitForTopWindow("#32770", "Kit Form", kRobotWaitMs, form.Id());
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(FindTopWindow("#32770", "Kit Form", GetCurrentProcessId()), nullptr);
    TypeText(Control(dlg, IDC_NAME), "remote");
    EXPECT_EQ(ComboItems(Control(dlg, IDC_RATE)), (std::vector<std::string>{"44.1 kHz", "48 kHz"}));
    EXPECT_TRUE(SelectComboItem(Control(dlg, IDC_RATE), 1));
    EXPECT_TRUE(SelectTab(Control(dlg, IDC_TABS), 1));
    EXPECT_EQ(GetText(Control(dlg, IDC_NAME)), "remote");
    Click(Control(dlg, IDOK));
    ASSERT_TRUE(form.Wait(kRobotWaitMs));
    EXPECT_EQ(form.ExitCode(), 15u);
}

// A thread still busy after its window exists (as after a dialog it ran has
// closed) is waited for until it takes messages again.
TEST(Robot, WaitIdleReturnsOnceTheWindowsThreadIsBackInItsLoop) {
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> done{false};
    std::thread busy([&] {
        HWND w = CreateWindowExA(0, "STATIC", "busy", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        window = w;
        Sleep(300);
        done = true;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DestroyWindow(w);
    });
    ASSERT_TRUE(WaitUntil([&] { return window != nullptr; }));
    WaitIdle(window);
    EXPECT_TRUE(done);
    PostThreadMessageA(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0);
    busy.join();
}
