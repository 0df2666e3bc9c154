#include "ModeDlg.h"
#include "DacLevels.h"
#include "FormatNumbers.h"
#include "PanelApp.h"
#include "resource.h"
#include "win/Controls.h"
#include <commctrl.h>

namespace panel {

namespace {

constexpr const char* kFormatNames[kKnownFormats] = {
    "2 ADAT in, 2 ADAT out",
    "ADAT + CD (SRC) in, ADAT + DAC out",
    "ADAT + DAT (SRC) in, ADAT + DAT out",
    "2 SPDIF in, SPDIF (SRC) out + SPDIF out",
    "8x Korg 168RC + CD(SRC)in, 16x Korg 168RC out",
    "Quelmar 24/96 In, Quelmar 24/96 out",
    "ADAT + DAT (SRC) in via BNC,  ADAT + DAT out via BNC",
};

using win::ButtonChecked;
using win::SetButtonCheck;

}  // namespace

CAdvFormatDlg::CAdvFormatDlg(const win::Module& module, const AdvancedFormatValues& values)
    : win::Dialog(module, IDD_ADVFORMAT), values_(values) {}

BOOL CAdvFormatDlg::OnInitDialog() {
    HWND self = hwnd();
    SetButtonCheck(self, IDC_PHASE_IN_A, values_.phaseRevInA);
    SetButtonCheck(self, IDC_PHASE_IN_B, values_.phaseRevInB);
    SetButtonCheck(self, IDC_PHASE_OUT_A, values_.phaseRevOutA);
    SetButtonCheck(self, IDC_PHASE_OUT_B, values_.phaseRevOutB);
    SetButtonCheck(self, IDC_LOW_RATE, values_.lowRateMode);
    const int left = DacLeftStep(values_.dacLevels), right = DacRightStep(values_.dacLevels);
    struct Side { int spin, buddy, text, step; } sides[] = {
        {IDC_DAC_LEFT_SPIN, IDC_DAC_LEFT_POS, IDC_DAC_LEFT_TEXT, left},
        {IDC_DAC_RIGHT_SPIN, IDC_DAC_RIGHT_POS, IDC_DAC_RIGHT_TEXT, right},
    };
    for (const Side& s : sides) {
        SendDlgItemMessageA(self, s.spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Item(s.buddy)), 0);
        // Step 0 at the top, so the up arrow raises the level.
        SendDlgItemMessageA(self, s.spin, UDM_SETRANGE32, kDacMuteStep, 0);
        SendDlgItemMessageA(self, s.spin, UDM_SETPOS32, 0, s.step);
        SetDlgItemInt(self, s.buddy, s.step, FALSE);
        ShowLevel(s.text, s.step);
    }
    CheckRadioButton(self, IDC_DITHER_ON, IDC_DITHER_OFF,
                     values_.ditherOff ? IDC_DITHER_OFF : IDC_DITHER_ON);
    ready_ = true;
    return TRUE;
}

int CAdvFormatDlg::Position(int spin) const {
    return static_cast<int>(SendDlgItemMessageA(hwnd(), spin, UDM_GETPOS32, 0, 0));
}

void CAdvFormatDlg::ShowLevel(int textId, int step) { SetItemText(textId, DacLevelText(step)); }

bool CAdvFormatDlg::OnCommand(WORD id, WORD code, HWND control) {
    if (code == EN_CHANGE && ready_ && (id == IDC_DAC_LEFT_POS || id == IDC_DAC_RIGHT_POS)) {
        const int left = Position(IDC_DAC_LEFT_SPIN), right = Position(IDC_DAC_RIGHT_SPIN);
        values_.dacLevels = PackDacLevels(left, right);
        if (id == IDC_DAC_LEFT_POS) ShowLevel(IDC_DAC_LEFT_TEXT, left);
        else ShowLevel(IDC_DAC_RIGHT_TEXT, right);
        return true;
    }
    return win::Dialog::OnCommand(id, code, control);
}

void CAdvFormatDlg::OnOK() {
    HWND self = hwnd();
    values_.phaseRevInA = ButtonChecked(self, IDC_PHASE_IN_A);
    values_.phaseRevInB = ButtonChecked(self, IDC_PHASE_IN_B);
    values_.phaseRevOutA = ButtonChecked(self, IDC_PHASE_OUT_A);
    values_.phaseRevOutB = ButtonChecked(self, IDC_PHASE_OUT_B);
    values_.ditherOff = ButtonChecked(self, IDC_DITHER_OFF);
    ready_ = false;
    win::Dialog::OnOK();
}

CModeDlg::CModeDlg(PanelApp& app, int board) : PanelPage(app, IDD_FORMAT, board) {}

void CModeDlg::Initialise() {
    format_ = app_.record().device.boards[board_].format;
    SetModified(false);
}

void CModeDlg::Refresh() { ShowFormat(); }

BOOL CModeDlg::OnInitDialog() {
    PanelPage::OnInitDialog();
    for (const char* name : kFormatNames)
        SendDlgItemMessageA(hwnd(), IDC_FORMAT_LIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendDlgItemMessageA(hwnd(), IDC_FORMAT_ARROWS, UDM_SETBUDDY,
                        reinterpret_cast<WPARAM>(Item(IDC_FORMAT_NUMBER)), 0);
    initialised_ = true;
    return TRUE;
}

bool CModeDlg::OnSetActive() {
    ShowFormat();
    return PanelPage::OnSetActive();
}

void CModeDlg::ShowFormat() {
    SendDlgItemMessageA(hwnd(), IDC_FORMAT_ARROWS, UDM_SETRANGE32, 0, kKnownFormats - 1);
    SelectFormat(format_);
}

bool CModeDlg::OnKillActive() {
    if (StoredFormat(format_)) app_.record().device.boards[board_].format = static_cast<std::uint8_t>(format_);
    return PanelPage::OnKillActive();
}

void CModeDlg::SelectFormat(int format) {
    if (format != format_) SetModified();
    format_ = format;
    selecting_ = true;
    SendDlgItemMessageA(hwnd(), IDC_FORMAT_LIST, CB_SETCURSEL, KnownFormat(format) ? format : -1, 0);
    SendDlgItemMessageA(hwnd(), IDC_FORMAT_ARROWS, UDM_SETPOS32, 0, KnownFormat(format) ? format : 0);
    selecting_ = false;
    BitmapWithPalette next;
    if (KnownFormat(format)) next = BitmapWithPalette::Load(module().instance(), IDB_FORMAT0 + format);
    ShowPicture(Item(IDC_FORMAT_PICTURE), next);
    picture_ = std::move(next);
    InvalidateRect(hwnd(), nullptr, TRUE);
}

void CModeDlg::Explain() {
    if (KnownFormat(format_)) Message(IDS_EXPLAIN_FORMAT0 + format_);
    else Message(IDS_BAD_FORMAT);
}

void CModeDlg::Advanced() {
    if (!StoredFormat(format_)) {
        Message(IDS_BAD_FORMAT);
        return;
    }
    quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
    const int f = format_;
    CAdvFormatDlg dialog(module(), {d.phaseRevInA[f], d.phaseRevInB[f], d.phaseRevOutA[f],
                                    d.phaseRevOutB[f], d.lowRateMode[f], d.ditherOff[f],
                                    d.dacLevels[f]});
    if (dialog.RunModal(hwnd()) != IDOK) return;
    const AdvancedFormatValues& v = dialog.values();
    d.phaseRevInA[f] = v.phaseRevInA;
    d.phaseRevInB[f] = v.phaseRevInB;
    d.phaseRevOutA[f] = v.phaseRevOutA;
    d.phaseRevOutB[f] = v.phaseRevOutB;
    d.lowRateMode[f] = v.lowRateMode;
    d.ditherOff[f] = v.ditherOff;
    d.dacLevels[f] = v.dacLevels;
    SetModified();
}

bool CModeDlg::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_FORMAT_LIST:
        if (code == CBN_SELCHANGE && initialised_) {
            const int selected = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
            if (selected >= 0) SelectFormat(selected);
        }
        return true;
    case IDC_FORMAT_NUMBER:
        if (code == EN_CHANGE && initialised_ && !selecting_) {
            BOOL ok = FALSE;
            const int number = static_cast<int>(GetDlgItemInt(hwnd(), IDC_FORMAT_NUMBER, &ok, FALSE));
            if (ok && KnownFormat(number)) SelectFormat(number);
        }
        return true;
    case IDC_EXPLAIN: Explain(); return true;
    case IDC_ADVANCED: Advanced(); return true;
    case IDC_IDENTIFY: app_.Identify(board_, hwnd()); return true;
    default: return PanelPage::OnCommand(id, code, control);
    }
}

INT_PTR CModeDlg::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) RealizePictureIn(hwnd(), picture_);
    return PanelPage::DlgProc(message, wParam, lParam);
}

}  // namespace panel
