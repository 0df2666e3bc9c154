#include "PunchDlg.h"

#include <algorithm>
#include <climits>

#include "MainFrame.h"
#include "MonitorText.h"
#include "quorvi/DriverRequests.h"
#include "resource.h"
#include "win/Controls.h"
#include "win/Device.h"

namespace tray {

namespace {

constexpr UINT kReportLater = WM_APP + 1;
const win::RadioGroup kUnitButtons{IDC_UNITS_HUNDREDTHS, IDC_UNITS_SAMPLES};

// The display, in the dialog's pixels: the position centred at the top,
// the punch state at the right and the pause notice at the left beneath it.
constexpr RECT kDisplay{15, 15, 250, 64};
constexpr POINT kPositionAt{132, 18};
constexpr POINT kStateAt{208, 48};
constexpr POINT kPausedAt{60, 48};
constexpr COLORREF kDisplayGreen = RGB(0x00, 0xFF, 0x00);

POINT InDisplay(POINT p) { return {p.x - kDisplay.left, p.y - kDisplay.top}; }

void TextAt(HDC dc, POINT at, const std::string& text) {
    TextOutA(dc, at.x, at.y, text.c_str(), static_cast<int>(text.size()));
}

win::Font Arial(int height, int weight) {
    return win::Font(CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
}

UINT TimeBaseText(TimeBase base) {
    switch (base) {
    case TimeBase::Fps30: return IDS_TIME_BASE_30;
    case TimeBase::Fps2997: return IDS_TIME_BASE_2997;
    case TimeBase::Fps25: return IDS_TIME_BASE_25;
    case TimeBase::Fps24: return IDS_TIME_BASE_24;
    default: return IDS_TIME_BASE_INVALID;
    }
}

UINT TapeFormatText(TapeFormat format) {
    switch (format) {
    case TapeFormat::Khz441: return IDS_TAPE_441;
    case TapeFormat::Khz48: return IDS_TAPE_48;
    default: return IDS_TAPE_BAD;
    }
}

}  // namespace

CPunchDlg::CPunchDlg(CMainFrame& frame) : win::Dialog(frame.module(), IDD_PUNCH), frame_(frame) {}

bool CPunchDlg::Open() {
    const quorvi::SettingsRecord& record = frame_.record();
    rate_ = TimecodeRate(record.device.mtcSettings);
    punchTime_ = record.punchTime;
    units_ = record.punchTimecodeUnits ? TimecodeUnits::Samples : TimecodeUnits::Hundredths;
    interfaceType_ = record.punchInterfaceType;
    return CreateModeless(frame_.hwnd());
}

void CPunchDlg::BringToFront() const {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

void CPunchDlg::Refresh() { LoadTimecodeTexts(); }

BOOL CPunchDlg::OnInitDialog() {
    if (!timer_.start(hwnd(), kPunchTimer, kPunchPeriodMs)) PostMessageA(hwnd(), kReportLater, IDS_PUNCH_TIMER_FAILED, 0);
    state_ = PunchState::NotArmed;
    board_ = std::clamp(frame_.record().device.masterBoard, 0, std::max(frame_.boardCount() - 1, 0));
    waiting_ = module().String(IDS_PUNCH_WAITING);
    hit_ = module().String(IDS_PUNCH_HIT);
    noPunch_ = module().String(IDS_NO_PUNCH);
    tcPaused_ = module().String(IDS_TC_PAUSED);
    CreateFonts();
    delays_ = ReadDelayCompensation(interfaceType_);
    picture_ = win::Bitmap(static_cast<HBITMAP>(
        LoadImageA(module().instance(), MAKEINTRESOURCEA(IDB_PUNCH), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    SendDlgItemMessageA(hwnd(), IDC_PUNCH, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_.get()));
    LoadTimecodeTexts();
    SetWindowPos(Item(IDC_PUNCH_DISPLAY), nullptr, kDisplay.left, kDisplay.top, kDisplay.right - kDisplay.left,
                 kDisplay.bottom - kDisplay.top, SWP_NOZORDER | SWP_NOACTIVATE);
    win::CheckRadioValue(hwnd(), kUnitButtons, static_cast<int>(units_));
    ShowPunchTime();
    ShowPosition();
    return TRUE;
}

void CPunchDlg::CreateFonts() {
    large_ = Arial(30, FW_BOLD);
    small_ = Arial(11, FW_THIN);
    if (!large_ || !small_) PostMessageA(hwnd(), kReportLater, IDS_PUNCH_FONT_FAILED, 0);
}

void CPunchDlg::LoadTimecodeTexts() {
    const std::int16_t mtc = frame_.record().device.mtcSettings;
    SetItemText(IDC_TIME_BASE, module().String(TimeBaseText(TimeBaseOf(mtc))));
    SetItemText(IDC_TAPE_FORMAT, module().String(TapeFormatText(TapeFormatOf(mtc))));
}

bool CPunchDlg::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_PUNCH_TIME:
        if (code == EN_KILLFOCUS) TakeTypedTime();
        return true;
    case IDC_UNITS_HUNDREDTHS:
    case IDC_UNITS_SAMPLES:
        if (code == BN_CLICKED) SetUnits(static_cast<TimecodeUnits>(win::RadioValueOf(kUnitButtons, id)));
        return true;
    case IDC_PUNCH:
        if (code == BN_CLICKED) Press();
        return true;
    default: return win::Dialog::OnCommand(id, code, control);
    }
}

INT_PTR CPunchDlg::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kPunchTimer) OnTick();
        return TRUE;
    case WM_DRAWITEM:
        if (wParam != IDC_PUNCH_DISPLAY) break;
        DrawDisplay(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case kReportLater:
        module().ShowMessage(static_cast<UINT>(wParam), MB_OK, hwnd());
        return TRUE;
    case WM_DESTROY:
        if (!closing_) {
            closing_ = true;
            TakeTypedTime();
            StoreValues();
        }
        break;
    default: break;
    }
    return win::Dialog::DlgProc(message, wParam, lParam);
}

void CPunchDlg::OnDestroyed() {
    timer_.stop();
    large_.reset();
    small_.reset();
    picture_.reset();
}

// A tick that shows a message is not run again inside it: the timer keeps
// firing meanwhile.
void CPunchDlg::OnTick() {
    BusyIndicators& busy = frame_.busy();
    // Ticks already queued when the status read failed are dropped too.
    if (busy.updateInProgress || inTick_ || !timer_.active()) return;
    inTick_ = busy.punch = true;
    std::uint32_t reply[2] = {};
    if (!win::DeviceControl(frame_.device(), quorvi::QUORVI_GET_PUNCH, nullptr, 0, reply, sizeof reply, nullptr)) {
        timer_.stop();
        module().ShowMessage(IDS_GET_PUNCH_FAILED, MB_OK, hwnd());
    } else {
        const std::uint32_t paused = frame_.monitor().TakeLatched(board_, 1, kTimecodePaused);
        const PunchTick tick = AdvancePunch(state_, reply[quorvi::kPunchHitWord], paused, rate_);
        state_ = tick.next;
        if (tick.disarm) SendPunch(*tick.disarm);
        paused_ = pausedNotice_.Tick(tick.timecodePaused);
        const int rate = TimecodeRate(frame_.record().device.mtcSettings);
        // The punch time is kept in samples: shown again at the new rate.
        if (rate != rate_) {
            rate_ = rate;
            ShowPunchTime();
        }
        ShowPosition();
    }
    inTick_ = busy.punch = false;
}

// The position the monitor read last, less the offset the board counts from.
void CPunchDlg::ShowPosition() {
    const std::uint32_t ioWord = frame_.monitor().board(board_).ioWord;
    position_ = FormatTimecode(TimecodePosition(ioWord, rate_), rate_, units_);
    ShowDisplay();
}

// What the user typed, once the edit box is left. A time that cannot be
// armed is refused and the previous time stays.
bool CPunchDlg::TakeTypedTime() {
    const std::string text = ItemText(IDC_PUNCH_TIME);
    if (text == FormatTimecode(punchTime_, rate_, units_)) return true;
    const ParsedTime parsed = ParsePunchTime(text, rate_, units_);
    if (parsed.error == ParseError::None) punchTime_ = parsed.samples;
    ShowPunchTime();
    if (parsed.error == ParseError::None) return true;
    // Nobody could answer a refusal while the dialog goes with the program.
    if (!closing_ && IsWindowVisible(hwnd())) RefuseTime();
    return false;
}

void CPunchDlg::ShowPunchTime() { SetItemText(IDC_PUNCH_TIME, FormatTimecode(punchTime_, rate_, units_)); }

void CPunchDlg::RefuseTime() const {
    const std::string earliest = FormatTimecode(-TimecodeOffset(rate_), rate_, units_);
    const std::string latest = FormatTimecode(INT32_MAX, rate_, units_);
    module().ShowText(FillText(module().String(IDS_PUNCH_TIME_REFUSED), {earliest, latest}),
                      MB_OK | MB_ICONEXCLAMATION, hwnd());
}

void CPunchDlg::SetUnits(TimecodeUnits units) {
    if (!TakeTypedTime()) {
        win::CheckRadioValue(hwnd(), kUnitButtons, static_cast<int>(units_));
        return;
    }
    units_ = units;
    ShowPunchTime();
    ShowPosition();
}

void CPunchDlg::Press() {
    if (!TakeTypedTime()) return;
    const PunchPress press = PressPunch(state_, punchTime_, rate_);
    if (!press.position) {
        RefuseTime();
        return;
    }
    state_ = press.next;
    SendPunch(*press.position);
    ShowDisplay();
}

void CPunchDlg::SendPunch(std::uint32_t position) const {
    const quorvi::TwoWordRequest request{position, 0};
    if (!win::DeviceControl(frame_.device(), quorvi::QUORVI_SET_PUNCH, &request, sizeof request, nullptr, 0, nullptr))
        module().ShowMessage(IDS_SET_PUNCH_FAILED, MB_OK, hwnd());
}

// The display is drawn by its owner; its text says the same for anyone who
// reads the window rather than looks at it.
void CPunchDlg::ShowDisplay() const {
    HWND display = Item(IDC_PUNCH_DISPLAY);
    std::string text = position_ + " " + StateText();
    if (paused_) text += " " + tcPaused_;
    SetWindowTextA(display, text.c_str());
    InvalidateRect(display, nullptr, FALSE);
}

void CPunchDlg::DrawDisplay(const DRAWITEMSTRUCT& item) const {
    const RECT& area = item.rcItem;
    win::MemoryDC memory(item.hDC);
    win::Bitmap canvas(CreateCompatibleBitmap(item.hDC, area.right, area.bottom));
    if (!memory || !canvas) return;
    HDC dc = memory.get();
    win::SelectedObject selected(dc, canvas.get());
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kDisplayGreen);
    {
        win::SelectedObject font(dc, large_ ? static_cast<HGDIOBJ>(large_.get()) : GetStockObject(DEFAULT_GUI_FONT));
        SetTextAlign(dc, TA_CENTER | TA_TOP);
        TextAt(dc, InDisplay(kPositionAt), position_);
    }
    win::SelectedObject font(dc, small_ ? static_cast<HGDIOBJ>(small_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    TextAt(dc, InDisplay(kStateAt), StateText());
    if (paused_) TextAt(dc, InDisplay(kPausedAt), tcPaused_);
    BitBlt(item.hDC, 0, 0, area.right, area.bottom, dc, 0, 0, SRCCOPY);
}

const std::string& CPunchDlg::StateText() const {
    switch (state_) {
    case PunchState::NotArmed: return noPunch_;
    case PunchState::Armed: return waiting_;
    default: return hit_;
    }
}

// A typed time that cannot be armed keeps the dialog open, so it is not
// lost unseen.
void CPunchDlg::CloseDialog() {
    if (!TakeTypedTime()) return;
    closing_ = true;
    timer_.stop();
    StoreValues();
    Close(IDOK);
}

// On Close, and when the dialog goes with the program.
void CPunchDlg::StoreValues() const {
    quorvi::SettingsRecord& record = frame_.record();
    record.punchTime = punchTime_;
    record.punchTimecodeUnits = static_cast<std::int32_t>(units_);
    record.punchInterfaceType = interfaceType_;
    PostMessageA(frame_.hwnd(), WM_STORE_SETTINGS, 0, 0);
}

}  // namespace tray
