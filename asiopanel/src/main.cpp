// asiopanel.exe: latency and channel reservation of the boards' ASIO, EASI
// and GSIF drivers. The ASIO driver's control panel starts it with "ASIO".
#include <windows.h>
#include <commctrl.h>

#include "LatencyReservationDialog.h"
#include "LatencyStore.h"
#include "win/ExceptionGuard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return win::RunGuarded(1, [&] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        const win::Module module(instance, "ASIOPANEL");
        asiopanel::ReservationModel model(
            asiopanel::interfaceFromCommandLine(commandLine != nullptr ? commandLine : ""));
        asiopanel::loadSettings(model);
        asiopanel::LatencyReservationDialog dialog(module, model);
        const INT_PTR result = dialog.RunModal(nullptr);
        if (result == IDOK) asiopanel::storeSettings(model);
        return result == -1 ? 1 : 0;
    });
}
