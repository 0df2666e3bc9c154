#include "MetersDlg.h"
#include "FormatNumbers.h"
#include "MetersRules.h"
#include "PanelApp.h"
#include "resource.h"
#include "win/Controls.h"
#include <iterator>

namespace panel {

namespace {

const win::RadioGroup kDisplayModes = {IDC_INSTANTANEOUS, IDC_PEAK_HOLD, IDC_INFINITE_HOLD};
const win::RadioGroup kRanges = {IDC_RANGE_30, IDC_RANGE_60, IDC_RANGE_96, IDC_RANGE_144};
const win::RadioGroup kMeterLabels = {IDC_METER_PHYSICAL, IDC_METER_LOGICAL, IDC_METER_USER};
const win::RadioGroup kFaderLabels = {IDC_FADER_PHYSICAL, IDC_FADER_LOGICAL, IDC_FADER_USER};

// The record's monitorDest[k] is shown by list kDestinationLists[k].
constexpr int kDestinationLists[4] = {IDC_MONITOR1_LEFT, IDC_MONITOR2_LEFT, IDC_MONITOR1_RIGHT,
                                      IDC_MONITOR2_RIGHT};

struct CheckField {
    int id;
    std::int32_t quorvi::BoardPanelBlock::*field;
};
constexpr CheckField kChecks[] = {
    {IDC_INPUT_METERS, &quorvi::BoardPanelBlock::showInputMeters},
    {IDC_OUTPUT_METERS, &quorvi::BoardPanelBlock::showOutputMeters},
    {IDC_MASTER_METERS, &quorvi::BoardPanelBlock::showMasterMeters},
    {IDC_METERS_ON_TOP, &quorvi::BoardPanelBlock::metersOnTop},
    {IDC_INPUT_FADERS, &quorvi::BoardPanelBlock::showInputFaders},
    {IDC_OUTPUT_FADERS, &quorvi::BoardPanelBlock::showOutputFaders},
    {IDC_MASTER_FADERS, &quorvi::BoardPanelBlock::showMasterFaders},
    {IDC_FADERS_ON_TOP, &quorvi::BoardPanelBlock::fadersOnTop},
};

}  // namespace

CMetersDlg::CMetersDlg(PanelApp& app, int board) : PanelPage(app, IDD_METERS, board) {}

void CMetersDlg::Initialise() {
    format_ = app_.record().device.boards[board_].format;
    SetModified(false);
}

BOOL CMetersDlg::OnInitDialog() {
    PanelPage::OnInitDialog();
    win::FillComboBox(Item(IDC_INPUT_REPRO), {std::begin(kInputReproModes), std::end(kInputReproModes)});
    return TRUE;
}

bool CMetersDlg::OnSetActive() {
    Show();
    return PanelPage::OnSetActive();
}

void CMetersDlg::ReadRecord() {
    const quorvi::BoardPanelBlock& p = app_.record().boards[board_];
    format_ = app_.record().device.boards[board_].format;
    displayMode_ = p.meterDisplayMode;
    range_ = p.meterRange;
    meterLabels_ = p.meterLabelMode;
    faderLabels_ = p.faderLabelMode;
    decayRate_ = p.decayRate;
    referenceLevel_ = p.referenceLevel;
}

void CMetersDlg::Show() {
    ReadRecord();
    const quorvi::BoardPanelBlock& p = app_.record().boards[board_];
    for (const CheckField& c : kChecks) win::SetButtonCheck(hwnd(), c.id, p.*c.field != 0);
    win::CheckRadioValue(hwnd(), kDisplayModes, displayMode_);
    win::CheckRadioValue(hwnd(), kRanges, range_);
    win::CheckRadioValue(hwnd(), kMeterLabels, meterLabels_);
    win::CheckRadioValue(hwnd(), kFaderLabels, faderLabels_);
    ShowDestinations();
    win::SelectComboBoxIndex(Item(IDC_INPUT_REPRO), app_.record().device.boards[board_].inputReproMode);
}

void CMetersDlg::ShowDestinations() {
    const std::vector<std::string> entries = MonitorDestinations(format_);
    const quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
    for (int k = 0; k < 4; ++k) {
        HWND list = Item(kDestinationLists[k]);
        win::FillComboBox(list, entries);
        win::SelectComboBoxIndex(list, StoredFormat(format_) ? d.monitorDest[k][format_] : -1);
    }
    if (!KnownFormat(format_)) Message(IDS_BAD_FORMAT);
}

void CMetersDlg::Store() {
    quorvi::BoardPanelBlock& p = app_.record().boards[board_];
    quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
    for (const CheckField& c : kChecks) p.*c.field = win::ButtonChecked(hwnd(), c.id);
    p.meterDisplayMode = static_cast<std::uint8_t>(displayMode_);
    p.meterRange = static_cast<std::uint8_t>(range_);
    p.meterLabelMode = static_cast<std::uint8_t>(meterLabels_);
    p.faderLabelMode = static_cast<std::uint8_t>(faderLabels_);
    p.decayRate = decayRate_;
    p.referenceLevel = referenceLevel_;
    if (StoredFormat(format_)) {
        for (int k = 0; k < 4; ++k)
            d.monitorDest[k][format_] = win::ComboBoxValue(Item(kDestinationLists[k]), d.monitorDest[k][format_]);
    }
    d.inputReproMode = win::ComboBoxValue(Item(IDC_INPUT_REPRO), d.inputReproMode);
}

bool CMetersDlg::OnKillActive() {
    Store();
    return PanelPage::OnKillActive();
}

// A radio of one of the four groups: a new value marks the page modified.
bool CMetersDlg::Radio(WORD id) {
    struct Group {
        const win::RadioGroup& buttons;
        int& value;
    } groups[] = {{kDisplayModes, displayMode_}, {kRanges, range_}, {kMeterLabels, meterLabels_},
                  {kFaderLabels, faderLabels_}};
    for (Group& g : groups) {
        const int value = win::RadioValueOf(g.buttons, id);
        if (value < 0) continue;
        if (value != g.value) {
            g.value = value;
            SetModified();
        }
        return true;
    }
    return false;
}

void CMetersDlg::EditDecayRate() {
    int rate = decayRate_;
    if (!QuorviSetDecayRate(&rate)) return;
    decayRate_ = rate;
    SetModified();
}

void CMetersDlg::EditReferenceLevel() {
    int level = referenceLevel_;
    if (!QuorviSetReferenceLevel(&level)) return;
    referenceLevel_ = level;
    SetModified();
}

bool CMetersDlg::OnCommand(WORD id, WORD code, HWND control) {
    quorvi::BoardPanelBlock& p = app_.record().boards[board_];
    switch (id) {
    case IDC_INPUT_METERS:
    case IDC_OUTPUT_METERS:
    case IDC_MASTER_METERS:
    case IDC_METERS_ON_TOP:
    case IDC_INPUT_FADERS:
    case IDC_OUTPUT_FADERS:
    case IDC_MASTER_FADERS:
        if (code == BN_CLICKED) SetModified();
        return true;
    case IDC_FADERS_ON_TOP:
        // Alone it calls for no Apply: it is stored when the page is left
        // and goes to the tray with the next OK.
        return true;
    case IDC_MONITOR1_LEFT:
    case IDC_MONITOR1_RIGHT:
    case IDC_MONITOR2_LEFT:
    case IDC_MONITOR2_RIGHT:
    case IDC_INPUT_REPRO:
        if (code == CBN_SELCHANGE) SetModified();
        return true;
    case IDC_DECAY_RATE: EditDecayRate(); return true;
    case IDC_REFERENCE_LEVEL: EditReferenceLevel(); return true;
    case IDC_METERS_FONT:
        if (QuorviSetMetersFont(&p.metersFont)) SetModified();
        return true;
    case IDC_FADERS_FONT:
        if (QuorviSetFadersFont(&p.fadersFont)) SetModified();
        return true;
    case IDC_OPEN_METERS: QuorviOpenMeters(board_); return true;
    case IDC_OPEN_MIXER: QuorviOpenFaders(board_); return true;
    default:
        if (code == BN_CLICKED && Radio(id)) return true;
        return PanelPage::OnCommand(id, code, control);
    }
}

}  // namespace panel
