// kit_settle: waits until every window on the screen has painted what it
// has to paint and its thread is back in its message loop, where Wine hands
// the painted pixels to the display, so a screenshot taken next shows what
// the programs show however slowly they run.
//   kit_settle [timeout in ms]   (default 10000)
// Exits 1, naming the window, when one does not answer in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

BOOL CALLBACK AddVisible(HWND w, LPARAM param) {
    if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
}

// True when the window's thread answered within the time, or the window is gone.
bool Answers(HWND w, DWORD ms) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0 || !IsWindow(w);
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD timeout = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
    const DWORD start = GetTickCount();
    std::vector<HWND> windows;
    EnumWindows(AddVisible, reinterpret_cast<LPARAM>(&windows));
    for (HWND w : windows) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent < timeout ? timeout - spent : 0;
        // The first round trip makes sure the thread answers at all; the
        // redraw then has it paint what is pending, and returns once painted.
        bool ok = Answers(w, left);
        if (ok) {
            RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            ok = Answers(w, left);
        }
        if (!ok) {
            char caption[128] = {};
            GetWindowTextA(w, caption, sizeof caption);
            std::fprintf(stderr, "kit_settle: window \"%s\" did not answer within %lu ms\n", caption,
                         static_cast<unsigned long>(timeout));
            return 1;
        }
    }
    return 0;
}
