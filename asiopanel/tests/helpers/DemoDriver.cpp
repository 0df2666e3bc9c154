// Works a running asiopanel for the demo through its real controls:
//   asiopanel_demo keys      prints the three drivers' class keys, one a line
//   asiopanel_demo reserve   ASIO, board 1: inputs and outputs A 1-8, the
//                            monitor pair, 8 blocks
//   asiopanel_demo ok        presses OK
// Exits with 0 when the step was done.
#include <windows.h>

#include <cstdio>
#include <string>

#include "Reservation.h"
#include "resource.h"
#include "testkit/Robot.h"

namespace {

int Reserve(HWND dialog) {
    testkit::Click(testkit::Control(dialog, IDC_ASIO));
    if (!testkit::SelectTab(testkit::Control(dialog, IDC_BOARD_TAB), 0)) return 1;
    testkit::Click(testkit::Control(dialog, IDC_NONE));
    for (int bit = 0; bit < 8; ++bit) {
        testkit::SetCheck(testkit::Control(dialog, IDC_INPUT_BIT0 + bit), true);
        testkit::SetCheck(testkit::Control(dialog, IDC_OUTPUT_BIT0 + bit), true);
    }
    testkit::SetCheck(testkit::Control(dialog, IDC_OUTPUT_BIT0 + 16), true);
    testkit::SetCheck(testkit::Control(dialog, IDC_OUTPUT_BIT0 + 17), true);
    testkit::TypeText(testkit::Control(dialog, IDC_LATENCY_EDIT), "8");
    return testkit::GetCheck(testkit::Control(dialog, IDC_OUTPUT_BIT0 + 17)) == BST_CHECKED ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string step = argc > 1 ? argv[1] : "";
    if (step == "keys") {
        for (auto i : {asiopanel::Interface::Asio, asiopanel::Interface::Easi, asiopanel::Interface::Gsif})
            std::printf("HKCR\\%s\n", asiopanel::driverKey(i));
        return 0;
    }
    HWND dialog = testkit::WaitForTopWindow("", "Latency & Channel Reservation");
    if (dialog == nullptr) return 1;
    if (step == "reserve") return Reserve(dialog);
    if (step == "ok") {
        testkit::PostClick(testkit::Control(dialog, IDOK));
        return 0;
    }
    std::fprintf(stderr, "usage: asiopanel_demo keys|reserve|ok\n");
    return 2;
}
