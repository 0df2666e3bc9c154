#pragma once
#include <windows.h>
#include <string>

// What the kit's test dialogs saw of the robot, for the tests to compare.
struct FormLog {
    int editChanges = 0;
    int applyClicks = 0;
    int rateChanges = 0;
    int sourceChanges = 0;
    int quietChanges = 0;
    int tabChanges = 0;
    bool refuseTabChange = false;
    std::string nameOnOk;
};

struct SheetLog {
    std::string first;
    std::string second;
    bool confirmed = false;
};

INT_PTR RunFormModal(FormLog& log);
// Modeless, on the calling thread, which must run a message loop.
HWND CreateForm(FormLog& log);
// Page 1 refuses to be left while its edit is empty; page 2 shows "Applied."
// in a message box on apply when its check box is set.
INT_PTR RunSheetModal(SheetLog& log);
// Ends with the button pressed.
INT_PTR RunNoticeModal();
