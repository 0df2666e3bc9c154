// asiopanel.exe: latency and channel reservation of the boards' ASIO, EASI
// and GSIF drivers. The ASIO driver's control panel starts it with "ASIO".
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "LatencyReservationDialog.h"
#include "LatencyStore.h"
#include "resource.h"
#include "win/ExceptionGuard.h"

namespace asiopanel {

// True when nothing failed; otherwise tells the user which drivers keep
// their old settings.
bool reportStoreFailures(const win::Module& module, const std::vector<Interface>& failed) {
    if (failed.empty()) return true;
    std::string names;
    for (Interface i : failed) names += (names.empty() ? "" : ", ") + std::string(interfaceName(i));
    const std::string text = win::FormatPlaceholders(module.String(IDS_STORE_FAILED), {names});
    module.ShowText(text, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

}  // namespace asiopanel

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
        if (result == IDOK && !asiopanel::reportStoreFailures(module, asiopanel::storeSettings(model)))
            return 1;
        return result == -1 ? 1 : 0;
    });
}
