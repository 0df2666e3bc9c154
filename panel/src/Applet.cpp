// The Control Panel entry: one applet, run as a modal property sheet.
#include "PanelApp.h"
#include "resource.h"
#include "win/ExceptionGuard.h"
#include <cpl.h>
#include <cstring>

namespace {

HINSTANCE appletInstance = nullptr;

void FillNewInquire(NEWCPLINFOA& info) {
    std::memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    info.hIcon = LoadIconA(appletInstance, MAKEINTRESOURCEA(IDI_APPLET));
    LoadStringA(appletInstance, IDS_CAPTION, info.szName, sizeof info.szName);
    LoadStringA(appletInstance, IDS_APPLET_INFO, info.szInfo, sizeof info.szInfo);
}

LONG HandleMessage(HWND owner, UINT message, LPARAM data) {
    switch (message) {
    case CPL_INIT:
        appletInstance = win::ThisModule();
        return 1;
    case CPL_GETCOUNT:
        return 1;
    case CPL_INQUIRE: {
        auto* info = reinterpret_cast<CPLINFO*>(data);
        if (!info) return 0;
        info->idIcon = IDI_APPLET;
        info->idName = IDS_CAPTION;
        info->idInfo = IDS_APPLET_INFO;
        info->lData = 0;
        return 0;
    }
    case CPL_NEWINQUIRE:
        if (data) FillNewInquire(*reinterpret_cast<NEWCPLINFOA*>(data));
        return 0;
    case CPL_DBLCLK: {
        panel::PanelApp app(win::ThisModule());
        app.Run(owner);
        return 0;
    }
    default:
        return 0;
    }
}

}  // namespace

static_assert(sizeof(NEWCPLINFOA) == 244);

extern "C" LONG APIENTRY CPlApplet(HWND owner, UINT message, LPARAM lParam1,
                                                         LPARAM lParam2) {
    return win::RunGuarded<LONG>(0, [&] { return HandleMessage(owner, message, lParam2); });
}
