#include "PanelSheet.h"
#include "PanelApp.h"

namespace panel {

namespace {
const win::RegisteredMessage settingsStored("QUORVI CP");
}

CPanelSheet::CPanelSheet(PanelApp& app, std::string caption)
    : win::PropertySheet(app.module(), std::move(caption)), app_(app) {}

bool CPanelSheet::OnSheetMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (!settingsStored.is(message)) return false;
    app_.OnSettingsStored();
    result = 0;
    return true;
}

}  // namespace panel
