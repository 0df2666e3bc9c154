#include "PanelSheet.h"
#include "PanelApp.h"

namespace panel {

namespace {
const win::RegisteredMessage settingsStored("QUORVI CP");
// Posted to top-level windows; the Setups page, a child, hears it from here.
const win::RegisteredMessage userMenuChosen("QUORVI USER MENU CHOSEN");
}

CPanelSheet::CPanelSheet(PanelApp& app, std::string caption)
    : win::PropertySheet(app.module(), std::move(caption)), app_(app) {}

bool CPanelSheet::OnSheetMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (settingsStored.is(message)) app_.OnSettingsStored();
    else if (userMenuChosen.is(message)) app_.OnUserMenuChosen(wParam);
    else return false;
    result = 0;
    return true;
}

}  // namespace panel
