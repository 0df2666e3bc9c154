#include "StatusSheet.h"

#include <cstdio>

#include "MainFrame.h"
#include "resource.h"
#include "win/Controls.h"

namespace tray {

namespace {

// The check box of each lamp, in lamp order.
constexpr int kCheckIds[kLamps] = {IDC_CHECK_REAL_TIME, IDC_CHECK_POWER_ON, IDC_CHECK_SLOW_CLOCK, IDC_CHECK_NO_CLOCK,
                                   IDC_CHECK_NO_SYNC,   IDC_CHECK_INPUT_A,  IDC_CHECK_INPUT_B,    IDC_CHECK_VALIDITY,
                                   IDC_CHECK_CONFIDENCE, IDC_CHECK_CRC,     IDC_CHECK_PARITY,     IDC_CHECK_BIPHASE,
                                   IDC_CHECK_NO_LOCK};

int LampOfCheck(int id) {
    for (int lamp = 0; lamp < kLamps; ++lamp)
        if (kCheckIds[lamp] == id) return lamp;
    return -1;
}

UINT VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::SystemErrors: return IDS_SYSTEM_ERRORS;
    case Verdict::MaskedErrors: return IDS_MASKED_ERRORS;
    default: return IDS_SYSTEM_OK;
    }
}

}  // namespace

CStatusPage::CStatusPage(CMainFrame& frame, int board)
    : win::PropertyPage(frame.module(), IDD_STATUS_PAGE), frame_(frame), board_(board) {}

BOOL CStatusPage::OnInitDialog() {
    const HINSTANCE instance = frame_.module().instance();
    lit_.reset(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_LIT)));
    unlit_.reset(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_LAMP_UNLIT)));
    if (!timer_.start(hwnd(), kStatusPageTimer, kStatusPagePeriodMs))
        frame_.module().ShowMessage(IDS_STATUS_TIMER_FAILED, MB_OK, hwnd());
    shownRate_.clear();
    Refresh();
    Tick();
    return TRUE;
}

void CStatusPage::Refresh() {
    view_.Invalidate();
    if (hwnd()) ShowChecks();
}

// The boxes follow the record, which a loaded setup or an update may have
// changed since the page opened.
void CStatusPage::ShowChecks() {
    const auto word = static_cast<std::uint32_t>(frame_.record().boards[board_].statusMask);
    for (int lamp = 0; lamp < kLamps; ++lamp)
        win::SetButtonCheck(hwnd(), kCheckIds[lamp], (word & LampMaskBit(lamp)) != 0);
}

// The driver's own masks follow at the next mask pass; the icon follows the
// new masks from the next monitor tick.
void CStatusPage::ToggleMaskBit(int lamp) {
    std::int32_t& stored = frame_.record().boards[board_].statusMask;
    const auto word = static_cast<std::uint32_t>(stored) ^ LampMaskBit(lamp);
    stored = static_cast<std::int32_t>(word);
    win::SetButtonCheck(hwnd(), kCheckIds[lamp], (word & LampMaskBit(lamp)) != 0);
    frame_.monitor().SetErrorMask(board_, word);
    SetModified();
}

bool CStatusPage::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_CLEAR_ERRORS && code == BN_CLICKED) {
        frame_.monitor().RequestClear();
        return true;
    }
    if (const int lamp = LampOfCheck(id); lamp >= 0 && code == BN_CLICKED) {
        ToggleMaskBit(lamp);
        return true;
    }
    return win::PropertyPage::OnCommand(id, code, control);
}

INT_PTR CStatusPage::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kStatusPageTimer) Tick();
        return TRUE;
    case WM_PAINT:
        // Drawn over: every lamp is set again on the next tick.
        view_.Invalidate();
        return FALSE;
    case WM_DESTROY:
        timer_.stop();
        return FALSE;
    default: return win::PropertyPage::DlgProc(message, wParam, lParam);
    }
}

void CStatusPage::Tick() {
    BusyIndicators& busy = frame_.busy();
    if (busy.updateInProgress || !hwnd()) return;
    busy.status = true;
    const BoardMonitor& board = frame_.monitor().board(board_);
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f kHz", board.rate);
    if (shownRate_ != rate) {
        shownRate_ = rate;
        SetItemText(IDC_MEASURED_RATE, rate);
    }
    const int format = frame_.record().device.boards[board_].format;
    const StatusPageView::Update update = view_.Tick(board.latched[0], board.latched[1], format, board.masks);
    if (update.verdictChanged) SetItemText(IDC_VERDICT, frame_.module().String(VerdictText(update.verdict)));
    for (int lamp = 0; lamp < kLamps; ++lamp) {
        if (!(update.changedLamps & (1u << lamp))) continue;
        const HBITMAP image = (update.litLamps & (1u << lamp)) ? lit_.get() : unlit_.get();
        SendDlgItemMessageA(hwnd(), IDC_LAMP_FIRST + lamp, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(image));
    }
    busy.status = false;
}

CTraySheet::CTraySheet(CMainFrame& frame)
    : win::PropertySheet(frame.module(), frame.module().String(IDS_STATUS_CAPTION)), frame_(frame) {}

bool CTraySheet::OnSheetMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message == WM_DESTROY) frame_.OnStatusSheetClosed();
    return false;
}

}  // namespace tray
