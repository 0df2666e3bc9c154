#include "StripWindow.h"

#include <algorithm>

#include "MainFrame.h"
#include "MonitorText.h"
#include "UserLabelDlg.h"
#include "resource.h"
#include "win/Menu.h"

namespace tray {

namespace {

// Where the label lines are drawn: one line, or the parts before and after
// a "|" on two.
constexpr int kSingleLineY = 150;
constexpr int kUpperLineY = 142;
constexpr int kLowerLineY = 154;
// Taller than the whole window: larger label fonts show nothing more.
constexpr LONG kLargestLabelFont = 200;
constexpr DWORD kStripExStyle = WS_EX_STATICEDGE;
constexpr std::initializer_list<UINT> kLabelItems = {ID_LABEL_PHYSICAL, ID_LABEL_LOGICAL, ID_LABEL_USER};

ScreenArea Screen() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return {work.left, work.top, GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED)};
}

void Check(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

CStripWnd::CStripWnd(CMainFrame& frame, int board, const StripKind& kind)
    : frame_(frame), board_(board & 3), kind_(kind), layout_(ShownGroups{}) {}

quorvi::BoardPanelBlock& CStripWnd::panel() const { return frame_.record().boards[board_]; }

std::string CStripWnd::Title() const {
    if (frame_.boardCount() <= 1) return frame_.module().String(kind_.titleId);
    return FillText(frame_.module().String(kind_.boardTitleId), {std::to_string(board_ + 1)});
}

bool CStripWnd::Open() {
    const quorvi::BoardPanelBlock& options = panel();
    const WindowPlace place = PlaceWindow(options.*kind_.left, options.*kind_.top, Screen());
    layout_ = ColumnLayout(ShownOptions());
    const SIZE size = FrameSize();
    if (!Create(kStripExStyle, kind_.className, Title().c_str(), kind_.style, place.left, place.top, size.cx,
                size.cy, frame_.hwnd(), nullptr, frame_.module().instance()))
        return false;
    BuildLabels();
    return true;
}

ShownGroups CStripWnd::ShownOptions() const {
    const quorvi::BoardPanelBlock& options = panel();
    return {options.*kind_.showInputs != 0, options.*kind_.showOutputs != 0, options.*kind_.showMaster != 0};
}

// With nothing shown, the smallest window there is.
SIZE CStripWnd::FrameSize() const {
    const StripWindowSize size = WindowSizeFor(layout_.Shown());
    if (size.minimum) return {GetSystemMetrics(SM_CXMIN), GetSystemMetrics(SM_CYMIN)};
    return {size.width, size.height};
}

void CStripWnd::ApplyLayout() {
    layout_ = ColumnLayout(ShownOptions());
    const SIZE size = FrameSize();
    SetWindowPos(hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    BuildLabels();
}

void CStripWnd::BuildLabels() {
    labels_ = tray::BuildLabels(panel().*kind_.labelMode, layout_.Shown(),
                                kind_.labelSource(frame_.record(), board_));
}

HMENU CStripWnd::ResetSystemMenu() {
    GetSystemMenu(hwnd(), TRUE);
    HMENU system = GetSystemMenu(hwnd(), FALSE);
    const win::Module& module = frame_.module();
    // The system menu owns the settings pop-up from here and destroys it
    // when it is reset again.
    AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
    if (HMENU settings = win::LoadSubMenu(module.instance(), kind_.settingsMenuId))
        AppendMenuA(system, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), module.String(kind_.settingsTextId).c_str());
    AppendMenuA(system, MF_STRING, ID_KEEP_ON_TOP, module.String(IDS_KEEP_ON_TOP).c_str());
    return system;
}

void CStripWnd::AppendSaveItem(HMENU systemMenu) const {
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, ID_SAVE_SETTINGS, frame_.module().String(IDS_SAVE_SETTINGS).c_str());
}

void CStripWnd::ShowStripOptions() const {
    const quorvi::BoardPanelBlock& options = panel();
    HMENU system = GetSystemMenu(hwnd(), FALSE);
    const bool onTop = options.*kind_.onTop != 0;
    Check(system, ID_KEEP_ON_TOP, onTop);
    CheckShowItems(system);
    win::CheckMenuRadio(system, kLabelItems, options.*kind_.labelMode);
    SetWindowPos(hwnd(), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CStripWnd::CheckShowItems(HMENU menu) const {
    for (UINT id : {ID_SHOW_INPUTS, ID_SHOW_OUTPUTS, ID_SHOW_MASTER}) Check(menu, id, ShowOption(id) != 0);
}

bool CStripWnd::LoadLabelFont() {
    // The face name comes from the record and need not be terminated.
    LOGFONTA stored = panel().*kind_.font;
    stored.lfFaceName[LF_FACESIZE - 1] = '\0';
    // Nor need its size be one the labels can use: drawn at any size, the
    // glyphs of a huge one take hundreds of megabytes. The record keeps it.
    stored.lfHeight = std::clamp<LONG>(stored.lfHeight, -kLargestLabelFont, kLargestLabelFont);
    stored.lfWidth = std::clamp<LONG>(stored.lfWidth, 0, kLargestLabelFont);
    win::Font font(CreateFontIndirectA(&stored));
    if (!font) {
        frame_.module().ShowMessage(kind_.fontFailureId, MB_OK, hwnd());
        return false;
    }
    font_ = std::move(font);
    return true;
}

void CStripWnd::DrawLabels(HDC dc, COLORREF colour) const {
    win::SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(ANSI_VAR_FONT));
    SetTextAlign(dc, TA_CENTER | TA_BOTTOM);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    for (int column = 0; column < layout_.Columns(); ++column) {
        const std::string& label = labels_[column];
        const int x = kColumnWidth * column + kColumnWidth / 2;
        const std::size_t bar = label.find('|');
        if (bar == std::string::npos) {
            TextOutA(dc, x, kSingleLineY, label.c_str(), static_cast<int>(label.size()));
            continue;
        }
        const std::string lower = label.substr(bar + 1);
        TextOutA(dc, x, kUpperLineY, label.c_str(), static_cast<int>(bar));
        TextOutA(dc, x, kLowerLineY, lower.c_str(), static_cast<int>(lower.size()));
    }
}

bool CStripWnd::EditLabelAt(int x, int y) {
    if (y < kLabelAreaTop || panel().*kind_.labelMode != UserLabels) return false;
    const int channel = layout_.ChannelAtX(x);
    if (channel < 0) return false;
    // The window may have gone with the program while the dialog was open.
    if (EditUserLabel(frame_.module(), hwnd(), (panel().*kind_.userLabels)[channel]) && hwnd()) {
        BuildLabels();
        RepaintAll();
    }
    return true;
}

std::int32_t& CStripWnd::ShowOption(UINT id) const {
    quorvi::BoardPanelBlock& options = panel();
    if (id == ID_SHOW_INPUTS) return options.*kind_.showInputs;
    if (id == ID_SHOW_OUTPUTS) return options.*kind_.showOutputs;
    return options.*kind_.showMaster;
}

bool CStripWnd::OnStripCommand(UINT id) {
    quorvi::BoardPanelBlock& options = panel();
    switch (id) {
    case ID_SHOW_INPUTS:
    case ID_SHOW_OUTPUTS:
    case ID_SHOW_MASTER: {
        std::int32_t& shown = ShowOption(id);
        shown = !shown;
        Check(GetSystemMenu(hwnd(), FALSE), id, shown != 0);
        OnShownChanged();
        return true;
    }
    case ID_LABEL_PHYSICAL:
    case ID_LABEL_LOGICAL:
    case ID_LABEL_USER:
        options.*kind_.labelMode = static_cast<std::uint8_t>(
            id == ID_LABEL_PHYSICAL ? PhysicalLabels : id == ID_LABEL_LOGICAL ? LogicalLabels : UserLabels);
        ShowStripOptions();
        BuildLabels();
        RepaintAll();
        return true;
    case ID_LABEL_FONT:
        if (kind_.chooseFont(&(options.*kind_.font))) {
            LoadLabelFont();
            RepaintAll();
        }
        return true;
    case ID_KEEP_ON_TOP:
        options.*kind_.onTop = !(options.*kind_.onTop);
        ShowStripOptions();
        return true;
    case ID_SAVE_SETTINGS:
        SaveSettings();
        return true;
    default:
        return false;
    }
}

void CStripWnd::OnShownChanged() {
    ApplyLayout();
    RepaintAll();
}

void CStripWnd::StorePosition() {
    RECT place{};
    if (!GetWindowRect(hwnd(), &place)) return;
    panel().*kind_.left = place.left;
    panel().*kind_.top = place.top;
}

void CStripWnd::SaveSettings() {
    StorePosition();
    PostMessageA(frame_.hwnd(), WM_STORE_SETTINGS, 0, 0);
}

LRESULT CStripWnd::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        SaveSettings();
        PostMessageA(frame_.hwnd(), kind_.closedMessage, static_cast<WPARAM>(board_), 0);
        return 0;
    case WM_SYSCOMMAND:
        if (OnStripCommand(static_cast<UINT>(wParam & 0xFFF0))) return 0;
        break;
    default: break;
    }
    return win::Window::WndProc(message, wParam, lParam);
}

}  // namespace tray
