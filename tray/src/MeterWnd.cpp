#include "MeterWnd.h"

#include <windowsx.h>

#include <algorithm>

#include "MainFrame.h"
#include "MonitorDevice.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"

namespace tray {

namespace {

using quorvi::BoardPanelBlock;

const StripKind kMeterKind{
    &BoardPanelBlock::showInputMeters,
    &BoardPanelBlock::showOutputMeters,
    &BoardPanelBlock::showMasterMeters,
    &BoardPanelBlock::metersOnTop,
    &BoardPanelBlock::metersLeft,
    &BoardPanelBlock::metersTop,
    &BoardPanelBlock::meterLabelMode,
    &BoardPanelBlock::metersFont,
    &BoardPanelBlock::meterLabels,
    MeterLabelSource,
    QuorviSetMetersFont,
    kMeterWindowClass,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    IDS_METERS_TITLE,
    IDS_BOARD_METERS_TITLE,
    IDS_METER_SETTINGS,
    IDR_METER_SETTINGS,
    IDS_METER_FONT_FAILED,
    WM_METERS_CLOSED,
};

// A failed status read is reported after the tick that met it, so no tick
// waits on a message box (an update would find the meters busy meanwhile).
constexpr UINT WM_METER_READ_FAILED = WM_USER + 6;

constexpr int kBarLeft = 4;
constexpr int kBarRight = 13;
constexpr int kScaleTop = 2;
constexpr int kScaleWidth = 30;
constexpr int kScaleHeight = 156;
constexpr COLORREF kLabelColour = RGB(0x60, 0x60, 0x60);

constexpr std::initializer_list<UINT> kModeItems = {ID_MODE_INSTANTANEOUS, ID_MODE_PEAK_HOLD, ID_MODE_INFINITE_HOLD};
constexpr std::initializer_list<UINT> kRangeItems = {ID_RANGE_30DB, ID_RANGE_60DB, ID_RANGE_96DB, ID_RANGE_144DB};
constexpr COLORREF kBarColours[] = {kBarGreen, kBarYellow, kBarClip, kPeakGreen, kPeakYellow};

int IndexOf(std::initializer_list<UINT> items, UINT id) {
    const auto found = std::find(items.begin(), items.end(), id);
    return found == items.end() ? -1 : static_cast<int>(found - items.begin());
}

bool SameGroups(ShownGroups a, ShownGroups b) {
    return a.inputs == b.inputs && a.outputs == b.outputs && a.master == b.master;
}

}  // namespace

CMeterWnd::CMeterWnd(CMainFrame& frame, int board) : CStripWnd(frame, board, kMeterKind) {}

CMeterWnd::~CMeterWnd() { Destroy(); }

LRESULT CMeterWnd::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate() ? 0 : -1;
    case WM_TIMER:
        if (wParam == kMeterTimer) Tick();
        return 0;
    case WM_PAINT: OnPaint(); return 0;
    case WM_LBUTTONDOWN: EditLabelAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_SYSCOMMAND: {
        const UINT id = static_cast<UINT>(wParam & 0xFFF0);
        // The meters go to the notification area rather than the taskbar.
        if (id == SC_MINIMIZE || id == ID_MOVE_TO_TRAY) {
            EnterTray();
            return 0;
        }
        if (OnMeterCommand(id)) return 0;
        break;
    }
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        if (id == ID_RESTORE_METERS) LeaveTray();
        else if (id == ID_CLOSE_TRAY_METER) CloseFromTray();
        else if (!OnStripCommand(id)) break;
        return 0;
    }
    case WM_TRAY_METER_NOTIFY: OnTrayNotify(static_cast<UINT>(lParam)); return 0;
    case WM_METER_READ_FAILED: frame().module().ShowMessage(IDS_METER_READ_FAILED, MB_OK, hwnd()); return 0;
    case WM_DESTROY:
        timer_.stop();
        RemoveTrayIcons();
        trayMenu_.reset();
        inTray_ = false;
        break;
    default: break;
    }
    return CStripWnd::WndProc(message, wParam, lParam);
}

bool CMeterWnd::OnCreate() {
    CreateBrushes();
    if (!timer_.start(hwnd(), kMeterTimer, kMeterPeriodMs))
        frame().module().ShowMessage(IDS_METER_TIMER_FAILED, MB_OK, hwnd());
    LoadOptions();
    return true;
}

void CMeterWnd::CreateBrushes() {
    bool failed = false;
    for (COLORREF colour : kBarColours) {
        win::Brush brush(CreateSolidBrush(colour));
        failed = failed || !brush;
        brushes_.push_back({colour, std::move(brush)});
    }
    if (failed) frame().module().ShowMessage(IDS_METER_BRUSH_FAILED, MB_OK, hwnd());
    win::Brush background(CreateSolidBrush(kBarBackground));
    if (!background) frame().module().ShowMessage(IDS_BACKGROUND_BRUSH_FAILED, MB_OK, hwnd());
    brushes_.push_back({kBarBackground, std::move(background)});
}

HBRUSH CMeterWnd::BrushFor(COLORREF colour) const {
    for (const ColourBrush& b : brushes_)
        if (b.colour == colour) return b.brush.get();
    return nullptr;
}

void CMeterWnd::Refresh() {
    const ShownGroups before = layout().Shown();
    LoadOptions();
    if (inTray_ && !SameGroups(before, layout().Shown())) OnShownChanged();
}

// The options as the record holds them. The record keeps Peak Hold as the
// display mode from here on; only a mode picked from the menu is stored.
void CMeterWnd::LoadOptions() {
    HMENU system = ResetSystemMenu();
    AppendMenuA(system, MF_STRING, ID_MOVE_TO_TRAY, frame().module().String(IDS_MOVE_TO_TRAY).c_str());
    AppendSaveItem(system);
    const MeterOptions options = LoadMeterOptions(panel());
    mode_ = options.mode;
    modePicked_ = false;
    win::CheckMenuRadio(system, kModeItems, mode_);
    counts_ = CountsForFormat(frame().record().device.boards[board()].format, counts_);
    ShowStripOptions();
    ApplyScale();
    ApplyLayout();
    LoadLabelFont();
    ApplyStyle();
    ComputeValues(block_, counts_, scale_, values_);
    RepaintAll();
}

void CMeterWnd::ApplyScale() {
    const BoardPanelBlock& options = panel();
    scale_ = ScaleFor(options.meterRange, options.referenceLevel);
    win::CheckMenuRadio(GetSystemMenu(hwnd(), FALSE), kRangeItems, std::min<int>(options.meterRange, 3));
    LoadScaleBitmap(scale_.bitmapId);
}

// The markers and the yellow zone; the peaks start afresh.
void CMeterWnd::ApplyStyle() {
    bars_.SetStyle(scale_.threshold, mode_ != Instantaneous, HoldTicks(mode_, panel().decayRate, modePicked_));
}

void CMeterWnd::LoadScaleBitmap(int id) {
    if (id == scaleBitmapId_ && scaleBitmap_) return;
    scaleBitmapId_ = id;
    scaleBitmap_.reset(LoadBitmapA(frame().module().instance(), MAKEINTRESOURCEA(id)));
    if (!scaleBitmap_) frame().module().ShowMessage(IDS_BITMAP_LOAD_FAILED, MB_OK, hwnd());
}

bool CMeterWnd::OnMeterCommand(UINT id) {
    if (int mode = IndexOf(kModeItems, id); mode >= 0) {
        SetMode(mode);
    } else if (int range = IndexOf(kRangeItems, id); range >= 0) {
        SetRange(range);
    } else if (id == ID_DECAY_RATE) {
        ChooseDecayRate();
    } else if (id == ID_REFERENCE_LEVEL) {
        ChooseReferenceLevel();
    } else {
        return false;
    }
    return true;
}

void CMeterWnd::SetMode(int mode) {
    mode_ = mode;
    modePicked_ = true;
    panel().meterDisplayMode = static_cast<std::uint8_t>(mode);
    win::CheckMenuRadio(GetSystemMenu(hwnd(), FALSE), kModeItems, mode);
    ApplyStyle();
    RepaintAll();
}

void CMeterWnd::SetRange(int range) {
    panel().meterRange = static_cast<std::uint8_t>(range);
    ApplyScale();
    ApplyStyle();
    RepaintAll();
}

// The dialogs edit a copy: the record may be reloaded while they are open.
void CMeterWnd::ChooseDecayRate() {
    int rate = std::clamp(panel().decayRate, 0, 100);
    if (!QuorviSetDecayRate(&rate)) return;
    panel().decayRate = rate;
    ApplyStyle();
}

void CMeterWnd::ChooseReferenceLevel() {
    int level = std::clamp(panel().referenceLevel, 0, 2);
    if (!QuorviSetReferenceLevel(&level)) return;
    panel().referenceLevel = level;
    ApplyScale();
    ApplyStyle();
    RepaintAll();
}

void CMeterWnd::OnPaint() {
    win::PaintDC dc(hwnd());
    if (!dc) return;
    win::MemoryDC memory(dc.get());
    if (scaleBitmap_ && memory) {
        win::SelectedObject picture(memory.get(), scaleBitmap_.get());
        for (int column = 0; column < layout().Columns(); ++column)
            BitBlt(dc.get(), kColumnWidth * column, kScaleTop, kScaleWidth, kScaleHeight, memory.get(), 0, 0,
                   SRCCOPY);
    }
    for (int column = 0; column < layout().Columns(); ++column) {
        if (values_[layout().ChannelAt(column)] < 0) continue;
        const RECT bar{kColumnWidth * column + kBarLeft, kBarTop, kColumnWidth * column + kBarRight, kBarBottom};
        FillRect(dc.get(), &bar, BrushFor(kBarBackground));
    }
    DrawLabels(dc.get(), kLabelColour);
    // The paint may have covered only part of the window: every bar is
    // drawn afresh on the next tick.
    bars_.RepaintAll();
}

void CMeterWnd::Tick() {
    BusyIndicators& busy = frame().busy();
    if (busy.updateInProgress) return;
    ++busy.meters;
    ReadStatus();
    ComputeValues(block_, counts_, scale_, values_);
    if (inTray_) UpdateTrayIcons();
    else DrawBars();
    --busy.meters;
}

// A failing read is reported once; the meters keep their last levels until
// a read succeeds again.
bool CMeterWnd::ReadStatus() {
    if (!ReadStatusBlock(frame().device(), board(), block_)) {
        if (!readFailing_) PostMessageA(hwnd(), WM_METER_READ_FAILED, 0, 0);
        readFailing_ = true;
        return false;
    }
    readFailing_ = false;
    frame().monitor().StoreStatus(board(), StatusCounter(block_), StatusIoWord(block_));
    return true;
}

void CMeterWnd::DrawBars() {
    bars_.Tick(values_, layout(), fills_);
    if (fills_.empty()) return;
    win::WindowDC dc(hwnd());
    for (const BarFill& fill : fills_) {
        const int x = kColumnWidth * fill.column;
        const RECT r{x + kBarLeft, fill.top, x + kBarRight, fill.bottom};
        FillRect(dc.get(), &r, BrushFor(fill.colour));
    }
}

void CMeterWnd::OnShownChanged() {
    if (!inTray_) {
        CStripWnd::OnShownChanged();
        return;
    }
    ApplyLayout();
    RemoveTrayIcons();
    trayIcons_ = TrayMeterIcons(layout().Shown(), Title());
    // Nothing left to show in the notification area: the window goes.
    if (!AddTrayIcons()) CloseFromTray();
}

void CMeterWnd::BringToTop() {
    LeaveTray();
    BringWindowToTop(hwnd());
}

void CMeterWnd::EnterTray() {
    if (inTray_) return;
    trayIcons_ = TrayMeterIcons(layout().Shown(), Title());
    if (!AddTrayIcons()) return;
    const win::Module& module = frame().module();
    trayMenu_ = win::PopupMenu::Create();
    trayMenu_.AppendItem(ID_TRAY_METERS_HEADER, module.String(IDS_TRAY_METERS_HEADER), false);
    trayMenu_.AppendSeparator();
    if (HMENU settings = win::LoadSubMenu(module.instance(), IDR_TRAY_METER_SETTINGS))
        AppendMenuA(trayMenu_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(settings),
                    module.String(IDS_TRAY_METER_SETTINGS).c_str());
    trayMenu_.AppendItem(ID_RESTORE_METERS, module.String(IDS_RESTORE_METERS), true);
    trayMenu_.AppendItem(ID_CLOSE_TRAY_METER, module.String(IDS_CLOSE_TRAY_METER), true);
    timer_.start(hwnd(), kMeterTimer, kTrayMeterPeriodMs);
    ShowWindow(hwnd(), SW_HIDE);
    inTray_ = true;
}

void CMeterWnd::LeaveTray() {
    if (!inTray_) return;
    inTray_ = false;
    trayMenu_.reset();
    RemoveTrayIcons();
    timer_.start(hwnd(), kMeterTimer, kMeterPeriodMs);
    ShowStripOptions();
    ShowWindow(hwnd(), SW_SHOW);
    ApplyLayout();
    RepaintAll();
}

// Closing from the notification area does not show the window on its way.
void CMeterWnd::CloseFromTray() {
    inTray_ = false;
    RemoveTrayIcons();
    DestroyWindow(hwnd());
}

bool CMeterWnd::AddTrayIcons() {
    bool added = false;
    for (std::size_t i = 0; i < trayIcons_.size() && i < trayShown_.size(); ++i) {
        const TrayMeterIcon& icon = trayIcons_[i];
        trayShown_[i].Bind(hwnd(), kFirstTrayMeterIcon + static_cast<UINT>(i), WM_TRAY_METER_NOTIFY);
        trayPattern_[i] = 0;
        added = trayShown_[i].Add(TrayPicture(icon, 0), icon.tip) || added;
    }
    if (!added) RemoveTrayIcons();
    return added;
}

void CMeterWnd::RemoveTrayIcons() {
    for (win::NotifyIcon& icon : trayShown_) icon.Delete();
}

// Only an icon whose picture changed is sent to the shell.
void CMeterWnd::UpdateTrayIcons() {
    for (std::size_t i = 0; i < trayIcons_.size() && i < trayShown_.size(); ++i) {
        const int pattern = IconPattern(trayIcons_[i], values_);
        if (pattern == trayPattern_[i]) continue;
        if (trayShown_[i].ModifyIcon(TrayPicture(trayIcons_[i], pattern))) trayPattern_[i] = pattern;
    }
}

HICON CMeterWnd::TrayPicture(const TrayMeterIcon& icon, int pattern) {
    const std::size_t slot = icon.master ? 256 + (pattern & 15) : (pattern & 255);
    HICON& picture = trayPictures_[slot];
    if (!picture)
        picture = static_cast<HICON>(LoadImageA(frame().module().instance(),
                                                MAKEINTRESOURCEA(IconResource(icon, pattern)), IMAGE_ICON, 16, 16,
                                                LR_SHARED));
    return picture;
}

void CMeterWnd::OnTrayNotify(UINT mouseMessage) {
    if (!inTray_) return;
    if (mouseMessage == WM_RBUTTONDOWN) ShowTrayMenu();
    else if (mouseMessage == WM_LBUTTONDBLCLK) BringToTop();
}

void CMeterWnd::ShowTrayMenu() {
    CheckShowItems(trayMenu_.get());
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is
    // the foreground window.
    SetForegroundWindow(hwnd());
    trayMenu_.Track(hwnd(), at, TPM_RIGHTBUTTON);
}

}  // namespace tray
