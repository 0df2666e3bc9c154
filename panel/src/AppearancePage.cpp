#include "AppearancePage.h"
#include "PanelApp.h"
#include "resource.h"
#include "win/Controls.h"
#include <commctrl.h>

namespace panel {

namespace {

struct Counter {
    int edit, arrows, maximum;
    int DeviceAppearance::*value;
};
constexpr Counter kCounters[] = {
    {IDC_MONO_IN, IDC_MONO_IN_ARROWS, kMaxMonoDevices, &DeviceAppearance::monoIn},
    {IDC_STEREO_IN, IDC_STEREO_IN_ARROWS, kMaxStereoDevices, &DeviceAppearance::stereoIn},
    {IDC_MONO_OUT, IDC_MONO_OUT_ARROWS, kMaxMonoDevices, &DeviceAppearance::monoOut},
    {IDC_STEREO_OUT, IDC_STEREO_OUT_ARROWS, kMaxStereoDevices, &DeviceAppearance::stereoOut},
};

std::vector<std::string> ListTexts(DeviceSide side) {
    std::vector<std::string> texts;
    for (int i = 0; i < kDeviceEntries; ++i) texts.push_back(DeviceEntryAt(side, i).listText);
    return texts;
}

}  // namespace

Appearance::Appearance(PanelApp& app, int board) : PanelPage(app, IDD_APPEARANCE, board) {}

const Appearance::SideControls& Appearance::ControlsOf(DeviceSide side) {
    static const SideControls input{DeviceSide::Input, IDC_INPUT_DEVICES, IDC_INPUT_FORMAT, IDC_INPUT_PREVIEW};
    static const SideControls output{DeviceSide::Output, IDC_OUTPUT_DEVICES, IDC_OUTPUT_FORMAT,
                                     IDC_OUTPUT_PREVIEW};
    return side == DeviceSide::Input ? input : output;
}

void Appearance::Initialise() {
    if (!shown_) ReadDeviceAppearance(board_, values_);
}

// Plain dialog start: this page does not count in the sheet's apply.
BOOL Appearance::OnInitDialog() {
    for (const Counter& c : kCounters) {
        SendDlgItemMessageA(hwnd(), c.arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(c.edit)), 0);
        SendDlgItemMessageA(hwnd(), c.arrows, UDM_SETRANGE32, 0, c.maximum);
    }
    for (DeviceSide side : {DeviceSide::Input, DeviceSide::Output})
        win::FillComboBox(Item(ControlsOf(side).list), ListTexts(side));
    win::SetButtonCheck(hwnd(), IDC_MTC_DEVICE, true);
    Show();
    return TRUE;
}

// The registry is read afresh each time, so edits never saved are dropped.
// The page does not become the one the sheet opens with next time.
bool Appearance::OnSetActive() {
    ReadDeviceAppearance(board_, values_);
    Show();
    shown_ = true;
    return true;
}

bool Appearance::OnKillActive() {
    if (!UpdateData(true)) return false;
    return PanelPage::OnKillActive();
}

bool Appearance::DoDataExchange(win::DataExchange& dx) {
    for (const Counter& c : kCounters)
        if (!dx.Integer(c.edit, values_.*c.value, 0, c.maximum)) return false;
    if (!dx.Check(IDC_MONITOR_DEVICE, values_.monitorEnable)) return false;
    for (DeviceSide side : {DeviceSide::Input, DeviceSide::Output}) {
        std::string& name = values_.names(side)[Selected(side)];
        std::string typed = name;
        if (!dx.Text(ControlsOf(side).format, typed, kMaxDeviceName)) return false;
        if (dx.saving()) name = SanitiseNameFormat(typed);
    }
    return true;
}

void Appearance::Show() {
    if (!hwnd()) return;
    showing_ = true;
    UpdateData(false);
    for (DeviceSide side : {DeviceSide::Input, DeviceSide::Output}) {
        win::SelectComboBoxIndex(Item(ControlsOf(side).list), Selected(side));
        ShowPreview(side);
    }
    showing_ = false;
}

void Appearance::Select(DeviceSide side, int index) {
    if (index < 0 || index >= kDeviceEntries) return;
    Selected(side) = index;
    showing_ = true;
    SetItemText(ControlsOf(side).format, values_.names(side)[index]);
    showing_ = false;
    ShowPreview(side);
}

void Appearance::ShowPreview(DeviceSide side) {
    const int index = Selected(side);
    SetItemText(ControlsOf(side).preview,
                DeviceNamePreview(values_.names(side)[index], board_ + 1, DeviceEntryAt(side, index).deviceNumber));
}

void Appearance::FormatTyped(DeviceSide side) {
    if (showing_) return;
    values_.names(side)[Selected(side)] = SanitiseNameFormat(ItemText(ControlsOf(side).format));
    ShowPreview(side);
}

void Appearance::RestoreDefaults(DeviceSide side) {
    values_.RestoreDefaultNames(side);
    Select(side, Selected(side));
}

void Appearance::Save() {
    if (!UpdateData(true)) return;
    // Without the driver's key, or without the right to change it, nothing
    // is stored: say so rather than promise a change at restart.
    Message(WriteDeviceAppearance(board_, values_) ? IDS_APPEARANCE_SAVED : IDS_APPEARANCE_NOT_SAVED);
}

bool Appearance::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_INPUT_DEVICES:
    case IDC_OUTPUT_DEVICES:
        if (code == CBN_SELCHANGE)
            Select(id == IDC_INPUT_DEVICES ? DeviceSide::Input : DeviceSide::Output, win::ComboBoxSelection(control));
        return true;
    case IDC_INPUT_FORMAT:
    case IDC_OUTPUT_FORMAT:
        if (code == EN_CHANGE) FormatTyped(id == IDC_INPUT_FORMAT ? DeviceSide::Input : DeviceSide::Output);
        return true;
    case IDC_RESTORE_INPUTS: RestoreDefaults(DeviceSide::Input); return true;
    case IDC_RESTORE_OUTPUTS: RestoreDefaults(DeviceSide::Output); return true;
    case IDC_SAVE_APPEARANCE: Save(); return true;
    case IDC_APPEARANCE_HELP: Message(IDS_APPEARANCE_HELP); return true;
    default: return PanelPage::OnCommand(id, code, control);
    }
}

}  // namespace panel
