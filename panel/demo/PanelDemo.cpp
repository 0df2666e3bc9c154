// Works a running applet for the demo through its real controls:
//   panel_demo listed       waits for Wine's Control Panel to list the applets
//   panel_demo start        starts the applet from that list, as a user does
//                           (first letter, Enter), then closes the list
//   panel_demo open         waits for the sheet (answering a first-start box)
//   panel_demo tab N        shows page N
//   panel_demo format F     chooses format F on the Format page shown
//   panel_demo click ID     clicks control ID of the page shown
//   panel_demo swap         on the routing page shown, exchanges the rows
//                           of logical channels 1 and 2
//   panel_demo post ID      clicks control ID of the page shown without
//                           waiting for it (it opens a dialog or a box)
//   panel_demo box          prints the text of the applet's message box and
//                           presses its OK
//   panel_demo identify     waits until the identify dialog shows input A
//                           connected, and prints both inputs
//   panel_demo wait CAPTION   waits for a dialog or box of that caption
//   panel_demo close CAPTION  presses OK in the dialog of that caption
//   panel_demo apply | ok | cancel   presses Apply, OK or Cancel
// Exits with 0 when the step was done.
#include "resource.h"
#include "testkit/Robot.h"
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace testkit;

namespace {

constexpr const char* kCaption = "QUORVI Properties";
constexpr int kApplyNow = 0x3021;

HWND ControlPanel() { return WaitForTopWindow("Shell_Control_WndClass", ""); }

int Open() {
    for (int i = 0; i < 100; ++i) {
        if (FindTopWindow("", kCaption)) return 0;
        if (HWND box = FindTopWindow("#32770", "QUORVI")) Click(Control(box, IDOK));
        Sleep(200);
    }
    return 1;
}

int Start() {
    HWND panel = ControlPanel();
    HWND list = panel ? FindWindowExA(panel, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
    if (!list) return 1;
    PostMessageA(list, WM_CHAR, 'Q', 1);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    const int opened = Open();
    PostMessageA(panel, WM_CLOSE, 0, 0);
    return opened;
}

// A click of the left button at a page pixel, as the mouse gives it.
void ClickAt(HWND page, int x, int y) {
    SendMessageA(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(page, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

int Swap(HWND sheet) {
    HWND page = GetParent(Control(sheet, IDC_DEFAULT_ROUTES));
    char title[64] = {};
    TCITEMA item{TCIF_TEXT, 0, 0, title, sizeof title};
    HWND tab = PropSheet_GetTabControl(sheet);
    SendMessageA(tab, TCM_GETITEMA, TabCtrl_GetCurSel(tab), reinterpret_cast<LPARAM>(&item));
    const bool in = std::string(title) == "In Routing";
    auto column = [&](int j) { return (in ? 163 : 22) + 15 * j + 7; };
    auto label = [&](int row) { ClickAt(page, in ? 50 : 320, 48 + 16 * row); };
    for (int channel : {0, 1}) {
        ClickAt(page, column(channel), 305);   // selects the channel's route
        Click(Control(sheet, IDC_DELETE_ROUTE));
    }
    ClickAt(page, column(0), 305);
    label(1);
    ClickAt(page, column(1), 305);
    label(0);
    return 0;
}

int Box() {
    HWND box = WaitForTopWindow("#32770", "QUORVI");
    if (!box) return 1;
    std::printf("%s\n", GetText(Control(box, 0xFFFF)).c_str());
    PostClick(Control(box, IDOK));
    return WaitUntil([&] { return !IsWindow(box); }) ? 0 : 1;
}

int Identify() {
    HWND dialog = WaitForTopWindow("#32770", "Identify Board and Optical Connections");
    if (!dialog) return 1;
    HWND a = Control(dialog, IDC_INPUT_A_STATUS), b = Control(dialog, IDC_INPUT_B_STATUS);
    const bool connected = WaitUntil([&] { return GetText(a) == "Connected"; }, 20000);
    std::printf("Input A: %s, Input B: %s\n", GetText(a).c_str(), GetText(b).c_str());
    return connected ? 0 : 1;
}

int CloseDialog(const std::string& caption) {
    HWND dialog = WaitForTopWindow("#32770", caption);
    if (!dialog) return 1;
    PostClick(Control(dialog, IDOK));
    return WaitUntil([&] { return !IsWindow(dialog); }) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "listed") return ControlPanel() ? 0 : 1;
    if (step == "start") return Start();
    if (step == "open") return Open();
    if (step == "box") return Box();
    if (step == "identify") return Identify();
    if (step == "wait" && argc > 2) return WaitForTopWindow("#32770", argv[2]) ? 0 : 1;
    if (step == "close" && argc > 2) return CloseDialog(argv[2]);
    HWND sheet = WaitForTopWindow("", kCaption);
    if (!sheet) return 1;
    if (step == "tab" && argc > 2) return SelectTab(sheet, std::atoi(argv[2])) ? 0 : 1;
    if (step == "format" && argc > 2)
        return SelectComboItem(Control(sheet, IDC_FORMAT_LIST), std::atoi(argv[2])) ? 0 : 1;
    if (step == "swap") return Swap(sheet);
    if (step == "click" && argc > 2) {
        Click(Control(sheet, std::atoi(argv[2])));
        return 0;
    }
    if (step == "post" && argc > 2) {
        PostClick(Control(sheet, std::atoi(argv[2])));
        return 0;
    }
    if (step == "apply") {
        Click(Control(sheet, kApplyNow));
        return 0;
    }
    if (step == "ok" || step == "cancel") {
        PostClick(Control(sheet, step == "ok" ? IDOK : IDCANCEL));
        return WaitUntil([&] { return !IsWindow(sheet); }) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: panel_demo listed|start|open|tab N|format F|click ID|post ID|swap|box|"
                         "identify|wait CAPTION|close CAPTION|apply|ok|cancel\n");
    return 2;
}
