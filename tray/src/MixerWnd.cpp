#include "MixerWnd.h"

#include <windowsx.h>

#include <string>

#include "MainFrame.h"
#include "MonitorText.h"
#include "UserLabelDlg.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"

namespace tray {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_STATICEDGE;
constexpr UINT kReportLater = WM_APP + 1;

// System-menu commands carry internal bits in their low four bits.
constexpr UINT kSysCommandMask = 0xFFF0;

constexpr COLORREF kTrackGrey = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kPanGreen = RGB(0x00, 0xFF, 0x00);
constexpr COLORREF kLabelGrey = RGB(0xD0, 0xD0, 0xD0);

// Control rectangles of a strip, x from the column's left edge.
constexpr RECT kMuteButton{2, 4, 28, 15};
constexpr RECT kSoloButton{2, 15, 28, 26};
constexpr RECT kPanTrack{kPanTrackLeft, 38, kPanTrackRight, 46};
constexpr RECT kFaderTrack{8, kFaderTrackTop, 22, 128};
constexpr int kControlsBottom = 128;
// Labels: one line, or the two halves of a label split by "|".
constexpr int kLabelY = 150, kUpperLabelY = 142, kLowerLabelY = 154;

RECT Shifted(RECT r, int dx) { return {r.left + dx, r.top, r.right + dx, r.bottom}; }

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// source is a memory DC the bitmaps are selected into in turn.
void DrawBitmap(HDC dc, HDC source, const win::Bitmap& bitmap, int x, int y) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap.get(), sizeof info, &info)) return;
    win::SelectedObject selected(source, bitmap.get());
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
}

void TextAt(HDC dc, int x, int y, const std::string& text) {
    TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

}  // namespace

CMixerWnd::CMixerWnd(CMainFrame& frame, int board) : frame_(frame), board_(quorvi::ClampBoard(board)) {}

quorvi::BoardPanelBlock& CMixerWnd::Panel() const { return frame_.record().boards[board_]; }

BoardMix CMixerWnd::Mix() const { return BoardMix(frame_.record(), board_); }

bool CMixerWnd::Open() {
    const win::Module& module = frame_.module();
    const std::string title = frame_.boardCount() > 1
                                  ? FillText(module.String(IDS_MIXER_TITLE_BOARD), {std::to_string(board_ + 1)})
                                  : module.String(IDS_MIXER_TITLE);
    const ScreenArea screen{GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                            GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
    const WindowPlace place = PlaceWindow(Panel().fadersLeft, Panel().fadersTop, screen);
    // Created without a size; the options loaded on creation give it one.
    return Create(kExStyle, kMixerWindowClass, title.c_str(), kStyle, place.left, place.top, 0, 0,
                  frame_.hwnd(), nullptr, module.instance());
}

void CMixerWnd::BringToTop() const {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

void CMixerWnd::Refresh() {
    LoadOptions();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

bool CMixerWnd::SendMix() {
    BusyIndicators& busy = frame_.busy();
    if (busy.updateInProgress) return true;
    ++busy.faders;
    sending_ = true;
    const bool sent = QuorviUpdateMix(&frame_.record(), frame_.device(), board_) != 0;
    sending_ = false;
    --busy.faders;
    return sent;
}

LRESULT CMixerWnd::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    // The mouse waits while the core shows why the board refused a send;
    // each move would send, and fail, again.
    if (sending_ && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) return 0;
    switch (message) {
    case WM_CREATE: OnCreate(); return 0;
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers the whole client area
    case WM_SYSCOMMAND:
        if (OnSysCommand(static_cast<UINT>(wParam) & kSysCommandMask)) return 0;
        break;
    case WM_LBUTTONDOWN: {
        const bool add = (wParam & (MK_SHIFT | MK_CONTROL)) != 0;
        Apply(model_.LeftDown(Mix(), layout_, x, y, add, Panel().faderLabelMode == UserLabels));
        return 0;
    }
    case WM_RBUTTONDOWN: Apply(model_.RightDown(Mix(), layout_, x, y)); return 0;
    case WM_MOUSEMOVE: Apply(model_.Move(Mix(), x, y)); return 0;
    case WM_LBUTTONUP:
        model_.LeftUp();
        FollowDrags();
        return 0;
    case WM_RBUTTONUP:
        model_.RightUp();
        FollowDrags();
        return 0;
    case WM_NCMOUSEMOVE:
        model_.EndDrags();
        FollowDrags();
        break;
    case WM_CAPTURECHANGED:
        // A message box or another window took the mouse: the button-up
        // will not come here, so the drag ends now.
        if (reinterpret_cast<HWND>(lParam) != hwnd()) model_.EndDrags();
        return 0;
    case kReportLater: frame_.module().ShowMessage(static_cast<UINT>(wParam), MB_OK, hwnd()); return 0;
    default: break;
    }
    return win::Window::WndProc(message, wParam, lParam);
}

void CMixerWnd::OnCreate() {
    LoadBitmaps();
    LoadOptions();
}

void CMixerWnd::OnDestroy() {
    font_.reset();
    for (win::Bitmap* b : {&strip_, &masterLeft_, &masterRight_, &knob_, &muteOn_, &muteOff_, &soloOn_, &soloOff_})
        b->reset();
    StorePosition();
    PostMessageA(frame_.hwnd(), WM_STORE_SETTINGS, board_, 0);
    PostMessageA(frame_.hwnd(), WM_MIXER_CLOSED, board_, 0);
}

void CMixerWnd::LoadBitmaps() {
    const HINSTANCE instance = frame_.module().instance();
    auto load = [instance](UINT id) {
        return win::Bitmap(static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
    };
    strip_ = load(IDB_STRIP);
    masterLeft_ = load(IDB_MASTER_LEFT);
    masterRight_ = load(IDB_MASTER_RIGHT);
    knob_ = load(IDB_KNOB);
    muteOn_ = load(IDB_MUTE_ON);
    muteOff_ = load(IDB_MUTE_OFF);
    soloOn_ = load(IDB_SOLO_ON);
    soloOff_ = load(IDB_SOLO_OFF);
    for (const win::Bitmap* b : {&strip_, &masterLeft_, &masterRight_, &knob_, &muteOn_, &muteOff_, &soloOn_, &soloOff_}) {
        if (!*b) {
            ReportLater(IDS_BITMAP_LOAD_FAILED);
            return;
        }
    }
}

// Options come from the record: on creation and whenever another program
// changed it.
void CMixerWnd::LoadOptions() {
    model_.EndDrags();
    FollowDrags();
    layout_ = ColumnLayout(FaderGroups(Panel()));
    RebuildLabels();
    CreateLabelFont();
    BuildSystemMenu();
    KeepOnTop(Panel().fadersOnTop != 0);
    Resize();
}

void CMixerWnd::BuildSystemMenu() {
    const win::Module& module = frame_.module();
    GetSystemMenu(hwnd(), TRUE);  // back to the standard menu
    HMENU system = GetSystemMenu(hwnd(), FALSE);
    if (!system) return;
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    if (HMENU bar = LoadMenuA(module.instance(), MAKEINTRESOURCEA(IDR_MIXER_SETTINGS))) {
        HMENU settings = GetSubMenu(bar, 0);
        // The system menu owns the settings menu from here on.
        RemoveMenu(bar, 0, MF_BYPOSITION);
        DestroyMenu(bar);
        AppendMenuA(system, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), module.String(IDS_MIXER_SETTINGS).c_str());
    }
    AppendMenuA(system, MF_STRING, ID_KEEP_ON_TOP, module.String(IDS_KEEP_ON_TOP).c_str());
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(system, MF_STRING, ID_SAVE_SETTINGS, module.String(IDS_SAVE_SETTINGS).c_str());
    UpdateMenuChecks();
}

void CMixerWnd::UpdateMenuChecks() const {
    HMENU system = GetSystemMenu(hwnd(), FALSE);
    const quorvi::BoardPanelBlock& panel = Panel();
    auto check = [system](UINT id, bool on, bool radio = false) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STATE | (radio ? MIIM_FTYPE : 0);
        item.fType = MFT_STRING | MFT_RADIOCHECK;
        item.fState = on ? MFS_CHECKED : MFS_UNCHECKED;
        SetMenuItemInfoA(system, id, FALSE, &item);
    };
    check(ID_SHOW_INPUTS, panel.showInputFaders != 0);
    check(ID_SHOW_OUTPUTS, panel.showOutputFaders != 0);
    check(ID_SHOW_MASTER, panel.showMasterFaders != 0);
    check(ID_LABEL_PHYSICAL, panel.faderLabelMode == PhysicalLabels, true);
    check(ID_LABEL_LOGICAL, panel.faderLabelMode == LogicalLabels, true);
    check(ID_LABEL_USER, panel.faderLabelMode == UserLabels, true);
    check(ID_KEEP_ON_TOP, panel.fadersOnTop != 0);
}

// The face name comes from a file: it is cut inside its field.
void CMixerWnd::CreateLabelFont() {
    LOGFONTA font = Panel().fadersFont;
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    font_ = win::Font(CreateFontIndirectA(&font));
    if (!font_) ReportLater(IDS_FADER_FONT_FAILED);
}

void CMixerWnd::Resize() const {
    const StripWindowSize client = WindowSizeFor(layout_.Shown());
    int width = GetSystemMetrics(SM_CXMIN), height = GetSystemMetrics(SM_CYMIN);
    if (!client.minimum) {
        RECT r{0, 0, client.width, client.height};
        AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
        width = r.right - r.left;
        height = r.bottom - r.top;
    }
    SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMixerWnd::StorePosition() const {
    RECT r;
    if (!GetWindowRect(hwnd(), &r)) return;
    Panel().fadersLeft = r.left;
    Panel().fadersTop = r.top;
}

bool CMixerWnd::OnSysCommand(UINT id) {
    quorvi::BoardPanelBlock& panel = Panel();
    switch (id) {
    case ID_SHOW_INPUTS: ShowGroup(panel.showInputFaders); return true;
    case ID_SHOW_OUTPUTS: ShowGroup(panel.showOutputFaders); return true;
    case ID_SHOW_MASTER: ShowGroup(panel.showMasterFaders); return true;
    case ID_LABEL_PHYSICAL: SetLabelMode(PhysicalLabels); return true;
    case ID_LABEL_LOGICAL: SetLabelMode(LogicalLabels); return true;
    case ID_LABEL_USER: SetLabelMode(UserLabels); return true;
    case ID_LABEL_FONT: ChooseLabelFont(); return true;
    case ID_KEEP_ON_TOP:
        panel.fadersOnTop = !panel.fadersOnTop;
        KeepOnTop(panel.fadersOnTop != 0);
        UpdateMenuChecks();
        return true;
    case ID_SAVE_SETTINGS:
        StorePosition();
        PostMessageA(frame_.hwnd(), WM_STORE_SETTINGS, board_, 0);
        return true;
    default: return false;
    }
}

// Columns move when a group comes or goes, so a drag in progress ends.
void CMixerWnd::ShowGroup(std::int32_t& option) {
    option = !option;
    model_.EndDrags();
    FollowDrags();
    layout_ = ColumnLayout(FaderGroups(Panel()));
    RebuildLabels();
    UpdateMenuChecks();
    Resize();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void CMixerWnd::SetLabelMode(int mode) {
    Panel().faderLabelMode = static_cast<std::uint8_t>(mode);
    RebuildLabels();
    UpdateMenuChecks();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void CMixerWnd::ChooseLabelFont() {
    if (!QuorviSetFadersFont(&Panel().fadersFont)) return;
    CreateLabelFont();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void CMixerWnd::KeepOnTop(bool onTop) const {
    SetWindowPos(hwnd(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CMixerWnd::Apply(const MixerChange& change) {
    const std::bitset<kChannels> changed = change.mutes | change.solos | change.pans | change.faders;
    for (int channel = 0; channel < kChannels; ++channel)
        if (changed[channel]) InvalidateColumn(channel);
    // A board that refuses the mix would otherwise refuse every move of
    // the drag, each with its own message.
    if (change.sendMix && !SendMix()) model_.EndDrags();
    FollowDrags();
    if (change.editLabel >= 0) EditLabel(change.editLabel);
}

// The window holds the mouse while a drag lasts, so the button's release
// reaches it wherever the pointer went.
void CMixerWnd::FollowDrags() {
    const bool dragging = model_.PanDragging() || model_.FaderDragCount() > 0;
    if (dragging && GetCapture() != hwnd()) SetCapture(hwnd());
    if (!dragging && GetCapture() == hwnd()) ReleaseCapture();
}

void CMixerWnd::EditLabel(int channel) {
    if (!EditUserLabel(frame_.module(), hwnd(), Panel().faderLabels[channel])) return;
    RebuildLabels();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void CMixerWnd::RebuildLabels() {
    labels_ = BuildLabels(Panel().faderLabelMode, layout_.Shown(), FaderLabelSource(frame_.record(), board_));
}

void CMixerWnd::InvalidateColumn(int channel) const {
    const int column = layout_.ColumnOf(channel);
    if (column < 0) return;
    const RECT r{column * kColumnWidth, 0, (column + 1) * kColumnWidth, kControlsBottom};
    InvalidateRect(hwnd(), &r, FALSE);
}

// Composed off screen and copied in one step, so a dragged fader does not
// flicker.
void CMixerWnd::Paint() {
    win::PaintDC paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    win::MemoryDC memory(paint.get());
    win::MemoryDC source(paint.get());
    win::Bitmap canvas(CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
    if (!memory || !source || !canvas) return;
    win::SelectedObject selected(memory.get(), canvas.get());
    FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    for (int column = 0; column < layout_.Columns(); ++column) DrawColumn(memory.get(), source.get(), column);
    BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

void CMixerWnd::DrawColumn(HDC dc, HDC source, int column) const {
    const int channel = layout_.ChannelAt(column);
    const int x0 = column * kColumnWidth;
    const BoardMix mix = Mix();
    const win::Bitmap& back = channel < kFirstMaster ? strip_ : channel == kFirstMaster ? masterLeft_ : masterRight_;
    DrawBitmap(dc, source, back, x0, 0);
    DrawLabel(dc, column);
    DrawBitmap(dc, source, mix.Muted(channel) ? muteOn_ : muteOff_, x0 + kMuteButton.left, kMuteButton.top);
    if (channel < kSoloChannels) {
        DrawBitmap(dc, source, mix.Soloed(channel) ? soloOn_ : soloOff_, x0 + kSoloButton.left, kSoloButton.top);
        Fill(dc, Shifted(kPanTrack, x0), kTrackGrey);
        const int line = PanLineX(mix.Pan(channel), column);
        Fill(dc, {line, kPanTrack.top, line + 1, kPanTrack.bottom}, kPanGreen);
    }
    Fill(dc, Shifted(kFaderTrack, x0), kTrackGrey);
    DrawBitmap(dc, source, knob_, x0 + kFaderTrack.left, KnobTop(mix.Level(channel)));
}

void CMixerWnd::DrawLabel(HDC dc, int column) const {
    const std::string& label = labels_[column];
    if (label.empty()) return;
    win::SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLabelGrey);
    SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
    const int x = column * kColumnWidth + kColumnWidth / 2;
    const std::size_t bar = label.find('|');
    if (bar == std::string::npos) {
        TextAt(dc, x, kLabelY, label);
    } else {
        TextAt(dc, x, kUpperLabelY, label.substr(0, bar));
        TextAt(dc, x, kLowerLabelY, label.substr(bar + 1));
    }
}

void CMixerWnd::ReportLater(UINT textId) const { PostMessageA(hwnd(), kReportLater, textId, 0); }

}  // namespace tray
