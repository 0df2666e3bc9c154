#include "PanelPage.h"
#include "PanelApp.h"

namespace panel {

PanelPage::PanelPage(PanelApp& app, UINT templateId, int board)
    : win::PropertyPage(app.module(), templateId), app_(app), board_(board) {}

BOOL PanelPage::OnInitDialog() {
    app_.applyProtocol().Join();
    return TRUE;
}

bool PanelPage::OnSetActive() {
    app_.SetLastPage(sheetIndex_);
    shown_ = true;
    return true;
}

bool PanelPage::OnKillActive() {
    shown_ = false;
    return true;
}

void PanelPage::OnOK() {
    if (app_.applyProtocol().Leave()) app_.Apply(hwnd());
    SetModified(false);
}

void PanelPage::Message(UINT id) const { app_.ShowMessage(id, hwnd() ? hwnd() : app_.sheetWindow()); }

}  // namespace panel
