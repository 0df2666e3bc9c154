#pragma once
// The Device Appearance page of a board (Windows NT): the wave and MIDI
// devices the driver makes of the board. Its values live in the driver's
// service key, not in the record, and are stored only by "Save Settings".
#include "DeviceAppearance.h"
#include "PanelPage.h"

namespace panel {

class Appearance : public PanelPage {
public:
    Appearance(PanelApp& app, int board);

    // The record holds nothing of this page, so a reload of the record
    // leaves what the user is editing; the registry is read again whenever
    // the page is shown.
    void Initialise() override;
    void Refresh() override {}

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    // Not part of the sheet's apply.
    void OnOK() override {}
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool DoDataExchange(win::DataExchange& dx) override;

private:
    struct SideControls {
        DeviceSide side;
        int list, format, preview;
    };
    static const SideControls& ControlsOf(DeviceSide side);
    int& Selected(DeviceSide side) { return selected_[side == DeviceSide::Input ? 0 : 1]; }
    void Show();
    void Select(DeviceSide side, int index);
    void ShowPreview(DeviceSide side);
    void FormatTyped(DeviceSide side);
    void RestoreDefaults(DeviceSide side);
    void Save();

    DeviceAppearance values_;
    int selected_[2] = {0, 0};
    bool showing_ = false;
};

}  // namespace panel
