#include "MixerWnd.h"

#include <windowsx.h>

#include "MainFrame.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"

namespace tray {

namespace {

using quorvi::BoardPanelBlock;

const StripKind kMixerKind{
    &BoardPanelBlock::showInputFaders,
    &BoardPanelBlock::showOutputFaders,
    &BoardPanelBlock::showMasterFaders,
    &BoardPanelBlock::fadersOnTop,
    &BoardPanelBlock::fadersLeft,
    &BoardPanelBlock::fadersTop,
    &BoardPanelBlock::faderLabelMode,
    &BoardPanelBlock::fadersFont,
    &BoardPanelBlock::faderLabels,
    FaderLabelSource,
    QuorviSetFadersFont,
    kMixerWindowClass,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU,
    IDS_MIXER_TITLE,
    IDS_MIXER_TITLE_BOARD,
    IDS_MIXER_SETTINGS,
    IDR_MIXER_SETTINGS,
    IDS_FADER_FONT_FAILED,
    WM_MIXER_CLOSED,
};

// A bitmap that cannot be loaded is reported once the window is back in its
// message loop, not from inside its creation or a paint.
constexpr UINT WM_MIXER_BITMAP_FAILED = WM_USER + 7;

constexpr COLORREF kTrackGrey = RGB(0x60, 0x60, 0x60);
constexpr COLORREF kPanGreen = RGB(0x00, 0xFF, 0x00);
constexpr COLORREF kLabelGrey = RGB(0xD0, 0xD0, 0xD0);

// Controls of a strip, x from the column's left edge.
constexpr POINT kMuteButton{2, 4};
constexpr POINT kSoloButton{2, 15};
constexpr RECT kPanTrack{kPanTrackLeft, 38, kPanTrackRight, 46};
constexpr RECT kFaderTrack{8, kFaderTrackTop, 22, 128};

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

}  // namespace

CMixerWnd::CMixerWnd(CMainFrame& frame, int board) : CStripWnd(frame, board, kMixerKind) {}

CMixerWnd::~CMixerWnd() { Destroy(); }

BoardMix CMixerWnd::Mix() const { return BoardMix(frame().record(), board()); }

void CMixerWnd::BringToTop() const {
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

void CMixerWnd::Refresh() { LoadOptions(); }

bool CMixerWnd::SendMix() {
    BusyIndicators& busy = frame().busy();
    if (busy.updateInProgress) return true;
    ++busy.faders;
    sending_ = true;
    const bool sent = QuorviUpdateMix(&frame().record(), frame().device(), board()) != 0;
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
    case WM_CREATE:
        LoadBitmaps();
        LoadOptions();
        return 0;
    case WM_DESTROY:
        for (win::Bitmap* b : {&strip_, &masterLeft_, &masterRight_, &knob_, &muteOn_, &muteOff_, &soloOn_, &soloOff_})
            b->reset();
        break;
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;  // the paint covers the whole client area
    case WM_LBUTTONDOWN: OnLeftDown(wParam, x, y); return 0;
    case WM_RBUTTONDOWN: Apply(model_.RightDown(Mix(), layout(), x, y)); return 0;
    case WM_MOUSEMOVE: Apply(model_.Move(Mix(), x, y)); return 0;
    case WM_LBUTTONUP:
        model_.LeftUp();
        FollowDrags();
        return 0;
    case WM_RBUTTONUP:
        model_.RightUp();
        FollowDrags();
        return 0;
    case WM_NCMOUSEMOVE: EndDrags(); break;
    case WM_CAPTURECHANGED:
        // A message box or another window took the mouse: the button-up
        // will not come here, so the drag ends now.
        if (reinterpret_cast<HWND>(lParam) != hwnd()) model_.EndDrags();
        return 0;
    case WM_MIXER_BITMAP_FAILED: frame().module().ShowMessage(IDS_BITMAP_LOAD_FAILED, MB_OK, hwnd()); return 0;
    default: break;
    }
    return CStripWnd::WndProc(message, wParam, lParam);
}

void CMixerWnd::LoadBitmaps() {
    const HINSTANCE instance = frame().module().instance();
    bool failed = false;
    auto load = [&](UINT id) {
        win::Bitmap bitmap(static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
        failed = failed || !bitmap;
        return bitmap;
    };
    strip_ = load(IDB_STRIP);
    masterLeft_ = load(IDB_MASTER_LEFT);
    masterRight_ = load(IDB_MASTER_RIGHT);
    knob_ = load(IDB_KNOB);
    muteOn_ = load(IDB_MUTE_ON);
    muteOff_ = load(IDB_MUTE_OFF);
    soloOn_ = load(IDB_SOLO_ON);
    soloOff_ = load(IDB_SOLO_OFF);
    if (failed) PostMessageA(hwnd(), WM_MIXER_BITMAP_FAILED, 0, 0);
}

// Options come from the record: on creation and whenever another program
// changed it. Columns may move, so a drag in progress ends.
void CMixerWnd::LoadOptions() {
    EndDrags();
    AppendSaveItem(ResetSystemMenu());
    ShowStripOptions();
    ApplyLayout();
    LoadLabelFont();
    RepaintAll();
}

void CMixerWnd::OnShownChanged() {
    EndDrags();
    CStripWnd::OnShownChanged();
}

void CMixerWnd::OnLeftDown(WPARAM keys, int x, int y) {
    const bool add = (keys & (MK_SHIFT | MK_CONTROL)) != 0;
    const MixerChange change = model_.LeftDown(Mix(), layout(), x, y, add, panel().faderLabelMode == UserLabels);
    Apply(change);
    if (change.editLabel >= 0) EditLabelAt(x, y);
}

void CMixerWnd::Apply(const MixerChange& change) {
    const std::bitset<kChannels> changed = change.mutes | change.solos | change.pans | change.faders;
    for (int channel = 0; channel < kChannels; ++channel)
        if (changed[channel]) InvalidateColumn(channel);
    // A board that refuses the mix would otherwise refuse every move of
    // the drag, each with its own message.
    if (change.sendMix && !SendMix()) model_.EndDrags();
    FollowDrags();
}

void CMixerWnd::EndDrags() {
    model_.EndDrags();
    FollowDrags();
}

// The window holds the mouse while a drag lasts, so the button's release
// reaches it wherever the pointer went.
void CMixerWnd::FollowDrags() {
    const bool dragging = model_.PanDragging() || model_.FaderDragCount() > 0;
    if (dragging && GetCapture() != hwnd()) SetCapture(hwnd());
    if (!dragging && GetCapture() == hwnd()) ReleaseCapture();
}

void CMixerWnd::InvalidateColumn(int channel) const {
    const int column = layout().ColumnOf(channel);
    if (column < 0) return;
    const RECT r{column * kColumnWidth, 0, (column + 1) * kColumnWidth, kLabelAreaTop};
    InvalidateRect(hwnd(), &r, FALSE);
}

// Composed off screen and copied in one step, so a dragged fader does not
// flicker.
void CMixerWnd::Paint() const {
    win::PaintDC paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    win::MemoryDC memory(paint.get());
    win::MemoryDC source(paint.get());
    win::Bitmap canvas(CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
    if (!memory || !source || !canvas) return;
    win::SelectedObject selected(memory.get(), canvas.get());
    FillRect(memory.get(), &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    for (int column = 0; column < layout().Columns(); ++column) DrawColumn(memory.get(), source.get(), column);
    DrawLabels(memory.get(), kLabelGrey);
    BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

// Pan and level are read as the displays read them, so a damaged record
// never places a control off its track.
void CMixerWnd::DrawColumn(HDC dc, HDC source, int column) const {
    const int channel = layout().ChannelAt(column);
    const int x0 = column * kColumnWidth;
    const BoardMix mix = Mix();
    const win::Bitmap& back = channel < kFirstMaster ? strip_ : channel == kFirstMaster ? masterLeft_ : masterRight_;
    DrawBitmap(dc, source, back, x0, 0);
    DrawBitmap(dc, source, mix.Muted(channel) ? muteOn_ : muteOff_, x0 + kMuteButton.x, kMuteButton.y);
    if (channel < kSoloChannels) {
        DrawBitmap(dc, source, mix.Soloed(channel) ? soloOn_ : soloOff_, x0 + kSoloButton.x, kSoloButton.y);
        Fill(dc, Shifted(kPanTrack, x0), kTrackGrey);
        const int line = PanLineX(mix.Pan(channel), column);
        Fill(dc, {line, kPanTrack.top, line + 1, kPanTrack.bottom}, kPanGreen);
    }
    Fill(dc, Shifted(kFaderTrack, x0), kTrackGrey);
    DrawBitmap(dc, source, knob_, x0 + kFaderTrack.left, KnobTop(mix.Level(channel)));
}

}  // namespace tray
