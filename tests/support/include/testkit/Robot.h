#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// A UI robot: finds windows and controls and works them the way a user would,
// through messages, so it drives windows on other threads and in other
// processes alike. Every call that waits has a timeout, and a window that
// does not answer fails the test instead of hanging it.
namespace testkit {

const DWORD kRobotWaitMs = 10000;

// A top-level window by class and/or caption (an empty string matches any),
// optionally of one process only (0: any process).
HWND FindTopWindow(const std::string& className, const std::string& caption, DWORD processId = 0);
// Waits for a visible one; fails the test and returns null on timeout.
HWND WaitForTopWindow(const std::string& className, const std::string& caption,
                      DWORD timeoutMs = kRobotWaitMs, DWORD processId = 0);

// A control by id anywhere below `root`, including inside the pages of a
// property sheet (nested dialogs). A visible match wins over a hidden one,
// since the pages not shown are hidden and may reuse ids.
HWND FindControl(HWND root, int id);
// FindControl that waits for the control and fails the test without it.
HWND Control(HWND root, int id, DWORD timeoutMs = kRobotWaitMs);

// Clicks a button and returns once its handler has run; a message box the
// handler shows must be answered by a MessageBoxCatcher. Fails the test for a
// hidden or disabled button, which a user could not click.
void Click(HWND button);
// Clicks without waiting for the handler: for buttons whose handler runs a
// modal loop (a dialog, a property sheet) that the caller then drives.
void PostClick(HWND button);
// Clicks a check box until it shows the wanted state.
void SetCheck(HWND button, bool checked);

// Replaces the text of an edit control (or of a combo box's edit) character
// by character, as typed, so limits, ES_NUMBER and EN_CHANGE behave as for a user.
void TypeText(HWND edit, const std::string& text);

// Selects a tab of a tab control, or a page of a property sheet (the window
// holding the tab control), with the notifications a click gives, so a page
// may refuse to be left. True when the tab is selected afterwards.
bool SelectTab(HWND tabOrSheet, int index);

// Selects an entry and notifies the parent (CBN_SELCHANGE; LBN_SELCHANGE when
// the list box has LBS_NOTIFY, as a user's click would). True on success.
bool SelectComboItem(HWND combo, int index);
bool SelectComboText(HWND combo, const std::string& text);
bool SelectListItem(HWND list, int index);
bool SelectListText(HWND list, const std::string& text);
int ComboSelection(HWND combo);
int ListSelection(HWND list);
std::vector<std::string> ComboItems(HWND combo);
std::vector<std::string> ListItems(HWND list);

std::string GetText(HWND window);
int GetCheck(HWND button);  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
bool IsEnabled(HWND window);
bool IsVisible(HWND window);

// Returns once the thread of `window` takes messages again, so that what it
// was still doing (the rest of a handler whose dialog just closed, say) is
// done. A handler that runs a modal loop of its own answers from inside it.
void WaitIdle(HWND window);

// Polls until the condition holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kRobotWaitMs);

// Runs `modal` on this thread (a dialog or property sheet that returns when
// closed) while `script` drives it from a robot thread. Should the modal loop
// outlive the script, the test fails and the thread's windows are closed, so
// the call always returns.
void RunWhile(const std::function<void()>& modal, const std::function<void()>& script,
              DWORD closeAfterMs = kRobotWaitMs);

}  // namespace testkit
