// Works a running quorvitray's mixer window and punch-in dialog for the demo,
// against a running quorvisim:
//   tray_mixer_demo running        exits with 0 when a tray is running
//   tray_mixer_demo mixer B        opens board B's mixer window ("QUORVI MIXER")
//   tray_mixer_demo moves B        a few mouse moves on it, then prints the
//                                  mix the board received last
//   tray_mixer_demo punch SECONDS  opens the punch dialog, restarts the boards'
//                                  time code at zero and arms at SECONDS
//   tray_mixer_demo hit            waits until the dialog shows "HIT"
//   tray_mixer_demo close          closes the mixer windows and the dialog
// Each step prints what it saw; it exits with 0 when the step was done.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "RequestWords.h"
#include "quorvi/DriverRequests.h"
#include "resource.h"
#include "testkit/Robot.h"
#include "vboard/Control.h"

using namespace testkit;

namespace {

constexpr const char* kFrameTitle = "QUORVI Tray Controller";
constexpr const char* kMixerClass = "QuorviTrayMixer";
constexpr int kColumn = 30;

HWND Frame(DWORD waitMs = kRobotWaitMs) {
    HWND frame = nullptr;
    WaitUntil([&] { return (frame = FindTopWindow("", kFrameTitle)) != nullptr; }, waitMs);
    return frame;
}

HWND Mixer() { return WaitForTopWindow(kMixerClass, ""); }
HWND PunchDialog() { return WaitForTopWindow("#32770", "Punch In"); }

void Mouse(HWND window, UINT message, WPARAM keys, int x, int y) {
    SendMessageA(window, message, keys, MAKELPARAM(x, y));
}

// The channels that are not silent, named as the window's logical labels
// name them, with their left and right gains.
void PrintMix(const vboard::LogEntry& mix) {
    std::printf("QUORVI_SET_PARAM for board %u:", Word(mix.input, 0));
    auto pair = [&](const char* group, int k, int word) {
        const std::uint32_t left = Word(mix.input, 1 + word), right = Word(mix.input, 2 + word);
        if (left || right) std::printf(" %s %d%c %u/%u;", group, k / 2 + 1, k % 2 ? 'R' : 'L', left, right);
    };
    for (int k = 0; k < 16; ++k) pair("In", k, 34 + 2 * k);
    for (int k = 0; k < 16; ++k) pair("Out", k, 2 * k);
    std::printf(" Mon %u/%u; option word 0x%x\n", Word(mix.input, 1 + 32), Word(mix.input, 1 + 33),
                Word(mix.input, 1 + 66));
}

// A drag with one button from one point of the window to another.
void Drag(HWND window, bool right, int x, int y, int toX, int toY) {
    const UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    const WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
    Mouse(window, down, held, x, y);
    Mouse(window, WM_MOUSEMOVE, held, toX, toY);
    Mouse(window, up, 0, toX, toY);
}

// In 1L to the top, In 1R half way and towards the middle, Out 2L up and
// muted, the Out 4L/4R pair and the master pair ganged and moved together.
int Moves(int board) {
    HWND mixer = Mixer();
    vboard::ControlClient boards;
    std::string reply;
    if (!mixer || !boards.command("clear-log", reply)) return 1;
    auto x = [](int column, int offset = 15) { return column * kColumn + offset; };
    Drag(mixer, false, x(0), 80, x(0), 54);
    Drag(mixer, false, x(1), 80, x(1), 80);
    Drag(mixer, false, x(1, 4), 40, x(1, 14), 40);
    Drag(mixer, false, x(18), 80, x(18), 70);
    Drag(mixer, false, x(18), 8, x(18), 8);
    Drag(mixer, true, x(23), 80, x(23), 70);
    Drag(mixer, true, x(32), 80, x(32), 54);
    std::printf("mixer: In 1L to the top; In 1R half way, panned towards the middle; Out 2L up, then muted; "
                "Out 4L/4R ganged; Mon 1/2 ganged to the top (left/right gains below)\n");
    const vboard::LogEntry* last = nullptr;
    const std::vector<vboard::LogEntry> log = boards.log();
    int mixes = 0;
    for (const vboard::LogEntry& e : log) {
        if (e.code != quorvi::QUORVI_SET_PARAM || e.board != board) continue;
        ++mixes;
        last = &e;
    }
    if (!last) return 1;
    std::printf("the board received %d mixes; the last:\n", mixes);
    PrintMix(*last);
    return 0;
}

int Punch(const char* seconds) {
    HWND frame = Frame();
    vboard::ControlClient boards;
    std::string reply;
    if (!frame || !boards.command("timecode zero running", reply)) return 1;
    PostMessageA(frame, WM_COMMAND, ID_PUNCH, 0);
    HWND dialog = PunchDialog();
    if (!dialog) return 1;
    HWND edit = Control(dialog, IDC_PUNCH_TIME);
    TypeText(edit, seconds);
    // Leaving the box takes the typed time, as tabbing on would.
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PUNCH_TIME, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    Click(Control(dialog, IDC_PUNCH));
    // Armed, and counting from the time code's new zero.
    HWND display = Control(dialog, IDC_PUNCH_DISPLAY);
    const bool counting = WaitUntil([&] {
        const std::string shown = GetText(display);
        return shown.rfind("00:00:0", 0) == 0 && shown.find("WAITING") != std::string::npos;
    });
    std::printf("punch-in time %s; display: %s\n", GetText(edit).c_str(), GetText(display).c_str());
    return counting ? 0 : 1;
}

int Hit() {
    HWND dialog = PunchDialog();
    if (!dialog) return 1;
    HWND display = Control(dialog, IDC_PUNCH_DISPLAY);
    const bool hit = WaitUntil([&] { return GetText(display).find("HIT") != std::string::npos; }, 30000);
    std::printf("display: %s\n", GetText(display).c_str());
    return hit ? 0 : 1;
}

int Close() {
    while (HWND mixer = FindTopWindow(kMixerClass, "")) {
        SendMessageA(mixer, WM_CLOSE, 0, 0);
        if (IsWindow(mixer)) return 1;
    }
    if (HWND dialog = FindTopWindow("#32770", "Punch In")) Click(Control(dialog, IDOK));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    const char* arg = argc > 2 ? argv[2] : "0";
    if (step == "running") return Frame(500) ? 0 : 1;
    if (step == "mixer") {
        PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("QUORVI MIXER"), std::atoi(arg), 0);
        return Mixer() ? 0 : 1;
    }
    if (step == "moves") return Moves(std::atoi(arg));
    if (step == "punch") return Punch(arg);
    if (step == "hit") return Hit();
    if (step == "close") return Close();
    std::fprintf(stderr, "usage: tray_mixer_demo running|mixer B|moves B|punch SECONDS|hit|close\n");
    return 2;
}
