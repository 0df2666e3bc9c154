// Runs the applet as the Control Panel does, in a process of its own, so a
// test can give this program another Windows version.
#include <windows.h>
#include <cpl.h>

int main() {
    HMODULE applet = LoadLibraryA("quorvipanel.cpl");
    if (!applet) return 2;
    auto entry = reinterpret_cast<APPLET_PROC>(GetProcAddress(applet, "CPlApplet"));
    if (!entry) return 3;
    if (entry(nullptr, CPL_INIT, 0, 0) != 1) return 4;
    entry(nullptr, CPL_DBLCLK, 0, 0);
    entry(nullptr, CPL_STOP, 0, 0);
    entry(nullptr, CPL_EXIT, 0, 0);
    FreeLibrary(applet);
    return 0;
}
