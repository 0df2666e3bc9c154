#pragma once
// The Format page of a board and its Advanced Format Settings dialog.
#include "BitmapWithPalette.h"
#include "PanelPage.h"
#include "win/Dialog.h"
#include <cstdint>

namespace panel {

// The seven per-format values the Advanced dialog edits.
struct AdvancedFormatValues {
    std::int32_t phaseRevInA, phaseRevInB, phaseRevOutA, phaseRevOutB;
    std::int32_t lowRateMode;   // hidden in the dialog; passes through
    std::int32_t ditherOff;
    std::int32_t dacLevels;
};

class CAdvFormatDlg : public win::Dialog {
public:
    CAdvFormatDlg(const win::Module& module, const AdvancedFormatValues& values);
    const AdvancedFormatValues& values() const { return values_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnOK() override;

private:
    int Position(int spin) const;
    void ShowLevel(int textId, int step);

    AdvancedFormatValues values_;
    bool ready_ = false;
};

class CModeDlg : public PanelPage {
public:
    CModeDlg(PanelApp& app, int board);

    void Initialise() override;
    void Refresh() override;

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SelectFormat(int format);
    void ShowFormat();
    void Explain();
    void Advanced();

    int format_ = 0;
    bool initialised_ = false;
    bool selecting_ = false;
    BitmapWithPalette picture_;
};

}  // namespace panel
