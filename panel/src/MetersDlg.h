#pragma once
// The Meters/Mixer page of a board: how the tray shows its meter and mixer
// windows, the monitor destinations of the board's format and input/repro
// switching.
#include "PanelPage.h"

namespace panel {

class CMetersDlg : public PanelPage {
public:
    CMetersDlg(PanelApp& app, int board);

    void Initialise() override;
    void Refresh() override { Show(); }

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void ReadRecord();
    void Show();
    void ShowDestinations();
    void Store();
    bool Radio(WORD id);
    void EditDecayRate();
    void EditReferenceLevel();

    int format_ = 0;
    int displayMode_ = 0, range_ = 0, meterLabels_ = 0, faderLabels_ = 0;
    int decayRate_ = 0, referenceLevel_ = 0;
};

}  // namespace panel
