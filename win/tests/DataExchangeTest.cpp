#include "win/DataExchange.h"
#include "win/Dialog.h"
#include "win/PropertySheet.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Robot.h"
#include "TestResources.h"
#include <gtest/gtest.h>

namespace {

const win::Module& TestModule() {
    static win::Module module(win::ThisModule(), IDS_CAPTION);
    return module;
}

TEST(ParseInteger, AcceptsWhatAUserTypesAndNothingMore) {
    EXPECT_EQ(win::ParseInteger("42"), 42);
    EXPECT_EQ(win::ParseInteger("  -7 "), -7);
    EXPECT_EQ(win::ParseInteger("+3"), 3);
    EXPECT_EQ(win::ParseInteger("-2147483648"), INT_MIN);
    EXPECT_EQ(win::ParseInteger("2147483647"), INT_MAX);
    for (const char* bad : {"", " ", "-", "4x", "1 2", "0x10", "2147483648", "-2147483649",
                            "99999999999999999999"})
        EXPECT_EQ(win::ParseInteger(bad), std::nullopt) << bad;
}

TEST(Prompts, ReadExactlyAsTheStandardOnes) {
    EXPECT_EQ(win::IntegerRangePrompt(-8, 64), "Please enter an integer between -8 and 64.");
    EXPECT_EQ(win::TextLengthPrompt(81), "Please enter no more than 81 characters.");
}

// Number 1..10 and a name of at most five characters.
class FormDialog : public win::Dialog {
public:
    FormDialog() : Dialog(TestModule(), IDD_DIALOG) {}
    int number = 3;
    std::string name = "abc";

protected:
    bool DoDataExchange(win::DataExchange& dx) override {
        return dx.Integer(IDC_NUMBER, number, 1, 10) && dx.Text(IDC_NAME, name, 5);
    }
};

HWND FocusOf(HWND window) {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

void Type(HWND dialog, int id, const char* text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

TEST(DataExchange, RefusedValuesPromptAndKeepTheFocusInTheControl) {
    FormDialog dialog;
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK, 2);
    struct {
        std::string loadedNumber, loadedName;
        bool numberFocused = false, nameFocused = false;
        DWORD numberSelection = 0;
    } seen;
    INT_PTR result;
    testkit::RunWhile([&] { result = dialog.RunModal(nullptr); },
                     [&] {
        HWND h = testkit::WaitForTopWindow("", "Layer Test Dialog");
        if (!h) return;
        seen.loadedNumber = testkit::GetText(GetDlgItem(h, IDC_NUMBER));
        seen.loadedName = testkit::GetText(GetDlgItem(h, IDC_NAME));

        Type(h, IDC_NUMBER, "42");
        testkit::Click(GetDlgItem(h, IDOK));  // returns once the watcher has closed the box
        seen.numberFocused = FocusOf(h) == GetDlgItem(h, IDC_NUMBER);
        seen.numberSelection = static_cast<DWORD>(
            SendMessageA(GetDlgItem(h, IDC_NUMBER), EM_GETSEL, 0, 0));

        Type(h, IDC_NUMBER, "7");
        // Past the control's limit only by program, as a paste could not.
        SendMessageA(GetDlgItem(h, IDC_NAME), EM_LIMITTEXT, 0, 0);
        Type(h, IDC_NAME, "toolong");
        testkit::Click(GetDlgItem(h, IDOK));
        seen.nameFocused = FocusOf(h) == GetDlgItem(h, IDC_NAME);

        Type(h, IDC_NAME, "fine");
        testkit::Click(GetDlgItem(h, IDOK));
                     });
    EXPECT_EQ(seen.loadedNumber, "3");
    EXPECT_EQ(seen.loadedName, "abc");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{
                                 "Please enter an integer between 1 and 10.",
                                 "Please enter no more than 5 characters."}));
    for (const auto& box : boxes.Boxes()) EXPECT_EQ(box.caption, "Layer Test");
    EXPECT_TRUE(seen.numberFocused);
    EXPECT_EQ(LOWORD(seen.numberSelection), 0);
    EXPECT_EQ(HIWORD(seen.numberSelection), 2) << "the refused text is selected";
    EXPECT_TRUE(seen.nameFocused);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.number, 7);
    EXPECT_EQ(dialog.name, "fine");
}

class NumberPage : public win::PropertyPage {
public:
    explicit NumberPage(UINT templateId) : PropertyPage(TestModule(), templateId) {}
    int number = 5;

protected:
    bool DoDataExchange(win::DataExchange& dx) override {
        return templateId() != IDD_PAGE_ONE || dx.Integer(IDC_NUMBER, number, 1, 10);
    }
};

TEST(DataExchange, RefusedValueKeepsTheUserOnThePage) {
    NumberPage first(IDD_PAGE_ONE), second(IDD_PAGE_TWO);
    win::PropertySheet sheet(TestModule(), "Layer Test Sheet");
    sheet.AddPage(first);
    sheet.AddPage(second);
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    int tabAfterRefusal = -1, tabAfterFix = -1;
    testkit::RunWhile([&] { sheet.RunModal(nullptr); },
                     [&] {
        HWND h = testkit::WaitForTopWindow("", "Layer Test Sheet");
        if (!h) return;
        HWND tab = PropSheet_GetTabControl(h);
        Type(PropSheet_GetCurrentPageHwnd(h), IDC_NUMBER, "eleven");
        PropSheet_SetCurSel(h, nullptr, 1);
        tabAfterRefusal = TabCtrl_GetCurSel(tab);
        Type(PropSheet_GetCurrentPageHwnd(h), IDC_NUMBER, "10");
        PropSheet_SetCurSel(h, nullptr, 1);
        tabAfterFix = TabCtrl_GetCurSel(tab);
        testkit::Click(GetDlgItem(h, IDOK));
                     });
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Please enter an integer between 1 and 10."}));
    EXPECT_EQ(tabAfterRefusal, 0);
    EXPECT_EQ(tabAfterFix, 1);
    EXPECT_EQ(first.number, 10);
}

}  // namespace
