#pragma once
#include "win/PropertySheet.h"
#include "win/RegisteredMessage.h"

namespace panel {

class PanelApp;

// The applet's property sheet. Besides the pages it answers the tray's
// "QUORVI CP", sent after the tray stored new settings.
class CPanelSheet : public win::PropertySheet {
public:
    CPanelSheet(PanelApp& app, std::string caption);

protected:
    bool OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    PanelApp& app_;
};

}  // namespace panel
