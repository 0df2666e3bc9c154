#pragma once
#include <windows.h>
#include <condition_variable>
#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testkit {

struct CaughtBox {
    std::string caption;
    std::string text;
    int pressed = 0;        // the button id pressed
    bool expected = false;  // announced with Expect
};

// While it lives, a watcher thread finds every message box this process shows
// (on any thread, and of the processes it is told to watch), records its caption and text and presses a button, so no
// test ever waits on a box. Boxes are answered in the order announced with
// Expect; a box nobody announced fails the running test and is still pressed
// away, with the answer given here (or the nearest button the box has). Boxes
// announced but never shown fail the test when the catcher goes. Of several
// live catchers only the newest answers: every test of a program linked with
// the kit runs with one underneath its own, so a box shown where the test made
// none fails the test instead of hanging it.
class MessageBoxCatcher {
public:
    explicit MessageBoxCatcher(int unexpectedAnswer = IDCANCEL);
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    // Also answers the boxes of another process, such as a program the test
    // started, so that it cannot hang on one either.
    void AlsoWatch(DWORD processId);
    // Announces `count` more boxes, each to be answered with `answer`.
    void Expect(int answer, int count = 1);
    // Waits until at least `count` boxes have been caught and their buttons
    // pressed; false on timeout.
    bool WaitForBoxes(size_t count, DWORD timeoutMs = 10000);
    std::vector<CaughtBox> Boxes() const;
    // Texts of the caught boxes, in order; what most tests compare.
    std::vector<std::string> Texts() const;

private:
    void Watch();
    void Scan();
    void Answer(HWND box);
    bool Watched(HWND w) const;

    const int unexpectedAnswer_;
    mutable std::mutex mutex_;
    std::condition_variable caught_;
    std::deque<int> answers_;
    std::vector<DWORD> processes_;
    std::vector<CaughtBox> boxes_;
    size_t answered_ = 0;
    std::map<HWND, std::pair<int, DWORD>> pressed_;  // box -> button, tick of the last press
    HANDLE stop_;
    std::thread watcher_;
};

}  // namespace testkit
