// quorvitray.exe: the boards' status in the notification area, their meter
// and mixer windows, and the user's setups one click away.
#include <windows.h>
#include <commctrl.h>

#include "MainFrame.h"
#include "win/Dialog.h"
#include "win/ExceptionGuard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return win::RunGuarded(0, [&] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        tray::CMainFrame frame(instance);
        // A second instance, or a start-up that failed, ends here.
        if (!frame.Create()) return 0;
        return win::RunMessageLoop();
    });
}
