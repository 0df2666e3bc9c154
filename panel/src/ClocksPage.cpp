#include "ClocksPage.h"
#include "FormatNumbers.h"
#include "PanelApp.h"
#include "resource.h"

namespace panel {

namespace {

// Radio of each clock code, in code order.
constexpr int kMainRadio[kClockCodes] = {IDC_MAIN_INPUT_A, IDC_MAIN_INPUT_B, IDC_MAIN_WORDCLOCK,
                                         IDC_MAIN_441, IDC_MAIN_48, IDC_MAIN_VARISPEED};
constexpr int kSrcRadio[kClockCodes] = {IDC_SRC_INPUT_A, IDC_SRC_INPUT_B, IDC_SRC_WORDCLOCK,
                                        IDC_SRC_441, IDC_SRC_48, IDC_SRC_VARISPEED};

int CodeOf(const int (&radios)[kClockCodes], int id) {
    for (int code = 0; code < kClockCodes; ++code)
        if (radios[code] == id) return code;
    return -1;
}

}  // namespace

CClocksPage::CClocksPage(PanelApp& app, int board, unsigned capability)
    : PanelPage(app, IDD_CLOCKS, board), capability_(capability) {}

void CClocksPage::ReadRecord() {
    const quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
    format_ = d.format;
    // A format beyond the record's entries (a damaged file) has no clocks.
    if (!StoredFormat(format_)) return;
    main_ = d.mainClock[format_];
    src_ = d.srcClock[format_];
    value_ = d.varispeed[format_];
}

void CClocksPage::Initialise() {
    ReadRecord();
    range_ = VarispeedLimits(capability_);
    value_ = ClampVarispeed(value_, range_);
    SetModified(false);
}

bool CClocksPage::OnSetActive() {
    ReadRecord();
    Show();
    return PanelPage::OnSetActive();
}

void CClocksPage::Show() {
    HWND self = hwnd();
    for (int code = 0; code < kClockCodes; ++code) {
        CheckDlgButton(self, kMainRadio[code], code == main_ ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(self, kSrcRadio[code], code == src_ ? BST_CHECKED : BST_UNCHECKED);
    }
    const ClockEnabling enabling = EnablingFor(format_);
    if (enabling.valid) {
        EnableWindow(Item(IDC_MAIN_INPUT_B), enabling.mainInputB);
        EnableWindow(Item(IDC_SRC_GROUP), enabling.srcGroup);
        for (int code = 0; code < kClockCodes; ++code)
            EnableWindow(Item(kSrcRadio[code]), enabling.srcRadio[code]);
    } else {
        Message(IDS_BAD_FORMAT);
    }
    EnableVarispeed();
    SetScrollRange(Item(IDC_VARISPEED_BAR), SB_CTL, 0, range_.maximum - range_.minimum, FALSE);
    SetScrollPos(Item(IDC_VARISPEED_BAR), SB_CTL, VarispeedPosition(value_, range_), TRUE);
    ShowRate();
}

void CClocksPage::EnableVarispeed() {
    const bool on = main_ == kClockVarispeed;
    for (int id : {IDC_VARISPEED_GROUP, IDC_VARISPEED_BAR, IDC_VARISPEED_LABEL, IDC_VARISPEED_RATE})
        EnableWindow(Item(id), on);
}

void CClocksPage::ShowRate() {
    SetItemText(IDC_VARISPEED_RATE, VarispeedText(value_, app_.rateFactor(board_)));
}

void CClocksPage::Scroll(int request, int thumb) {
    HWND bar = Item(IDC_VARISPEED_BAR);
    const int span = range_.maximum - range_.minimum;
    const int pos = ScrollTo(request, GetScrollPos(bar, SB_CTL), thumb, span);
    if (pos < 0) return;
    SetScrollPos(bar, SB_CTL, pos, TRUE);
    value_ = range_.maximum - pos;
    ShowRate();
    SetModified();
}

bool CClocksPage::OnKillActive() {
    if (const int refusal = ClockCombinationError(format_, main_, src_)) {
        Message(refusal);
        return false;
    }
    if (StoredFormat(format_)) {
        quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
        d.mainClock[format_] = static_cast<std::uint8_t>(main_);
        d.srcClock[format_] = static_cast<std::uint8_t>(src_);
        d.varispeed[format_] = value_;
    }
    return PanelPage::OnKillActive();
}

bool CClocksPage::OnCommand(WORD id, WORD code, HWND control) {
    if (code == BN_CLICKED) {
        if (const int mainCode = CodeOf(kMainRadio, id); mainCode >= 0) return Choose(main_, mainCode);
        if (const int srcCode = CodeOf(kSrcRadio, id); srcCode >= 0) return Choose(src_, srcCode);
    }
    return PanelPage::OnCommand(id, code, control);
}

bool CClocksPage::Choose(int& clock, int code) {
    if (code != clock) {
        clock = code;
        SetModified();
        EnableVarispeed();
    }
    return true;
}

INT_PTR CClocksPage::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL) {
        Scroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return TRUE;
    }
    return PanelPage::DlgProc(message, wParam, lParam);
}

}  // namespace panel
