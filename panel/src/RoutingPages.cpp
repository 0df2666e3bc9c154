#include "RoutingPages.h"
#include "FormatNumbers.h"
#include "PanelApp.h"
#include "resource.h"
#include "win/Window.h"
#include <windowsx.h>

namespace panel {

namespace {

constexpr UINT_PTR kBlinkTimer = 1;
constexpr UINT kBlinkMs = 250;
// Messages found while activating or painting are shown once the page is
// back in its message loop, never from inside WM_PAINT.
constexpr UINT kReportLater = WM_APP + 1;

const std::uint8_t unroutedTable[kRouteChannels] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace

RoutingPage::RoutingPage(PanelApp& app, UINT templateId, int board, RoutingSide side)
    : PanelPage(app, templateId, board), side_(side), model_(side) {}

CInRouteDlg::CInRouteDlg(PanelApp& app, int board)
    : RoutingPage(app, IDD_INROUTE, board, RoutingSide::In) {}

CRoutingDlg::CRoutingDlg(PanelApp& app, int board)
    : RoutingPage(app, IDD_OUTROUTE, board, RoutingSide::Out) {}

// The record's table for the board's format; none for a format beyond the
// record's ten (a damaged file), which is then shown unrouted and not stored.
std::uint8_t* RoutingPage::Table() const {
    quorvi::BoardDeviceBlock& d = app_.record().device.boards[board_];
    if (!StoredFormat(format_)) return nullptr;
    return side_ == RoutingSide::In ? d.inRoute[format_] : d.outRoute[format_];
}

void RoutingPage::Initialise() {
    format_ = app_.record().device.boards[board_].format;
    SetModified(false);
}

void RoutingPage::Refresh() {
    format_ = app_.record().device.boards[board_].format;
    const std::uint8_t* table = Table();
    model_.Load(table ? table : unroutedTable);
    EnableWindow(Item(IDC_DELETE_ROUTE), FALSE);
    InvalidateRect(hwnd(), nullptr, FALSE);
}

BOOL RoutingPage::OnInitDialog() {
    PanelPage::OnInitDialog();
    font_ = win::Font(CreateFontA(-12, 0, 0, 0, 100, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  VARIABLE_PITCH | FF_SWISS, "Arial"));
    if (!font_) module().ShowText("Failed to create font", MB_OK | MB_ICONEXCLAMATION, hwnd());
    const RoutingGeometry& g = GeometryFor(side_);
    HINSTANCE res = module().instance();
    background_ = BitmapWithPalette::Load(res, g.backgroundId);
    column_ = BitmapWithPalette::Load(res, g.columnId);
    labelBack_ = BitmapWithPalette::Load(res, RoutingGeometry::kLabelBackId);
    row_ = BitmapWithPalette::Load(res, RoutingGeometry::kRowNormalId);
    connector_ = BitmapWithPalette::Load(res, RoutingGeometry::kColumnNormalId);
    rowLit_ = BitmapWithPalette::Load(res, g.rowHighlightId);
    connectorLit_ = BitmapWithPalette::Load(res, RoutingGeometry::kColumnHighlightId);
    if (!rowLit_ || !connectorLit_) Message(IDS_BITMAP_FAILED);
    return TRUE;
}

bool RoutingPage::OnSetActive() {
    Refresh();
    timer_.start(hwnd(), kBlinkTimer, kBlinkMs);
    if (side_ == RoutingSide::In && !KnownFormat(format_))
        PostMessageA(hwnd(), kReportLater, IDS_BAD_FORMAT, 0);
    return PanelPage::OnSetActive();
}

bool RoutingPage::OnKillActive() {
    // A pick in progress stays: when the page refuses to be left, the user
    // goes on with the route being made.
    model_.EndSelection();
    EnableWindow(Item(IDC_DELETE_ROUTE), FALSE);
    std::uint8_t* table = Table();
    if (table) {
        if (!model_.Complete()) {
            Message(IDS_ROUTING_INCOMPLETE);
            return false;
        }
        model_.Store(table);
    }
    timer_.stop();
    return PanelPage::OnKillActive();
}

// After any change of the model: the Delete Selected button follows the
// selection, and the picture is drawn again.
void RoutingPage::Changed(bool modified) {
    EnableWindow(Item(IDC_DELETE_ROUTE), model_.Selected() >= 0);
    if (modified) SetModified();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

bool RoutingPage::OnCommand(WORD id, WORD code, HWND control) {
    switch (id) {
    case IDC_DEFAULT_ROUTES: model_.SetDefaults(); Changed(true); return true;
    case IDC_DELETE_ROUTE: Changed(model_.DeleteSelected()); return true;
    case IDC_DELETE_ALL_ROUTES: model_.DeleteAll(); Changed(true); return true;
    default: return PanelPage::OnCommand(id, code, control);
    }
}

INT_PTR RoutingPage::DlgProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // Dialogs take double clicks, so a quick second click at the same place
    // (cancelling a pick, ending a selection) arrives as one.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        model_.Click(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        Changed(false);
        return TRUE;
    case WM_TIMER:
        if (wParam != kBlinkTimer) break;
        // The sheet's own boxes (such as an incomplete-table refusal) keep
        // it in front; another program does not.
        if (model_.Tick(win::IsOwnedBy(GetForegroundWindow(), GetParent(hwnd())))) Changed(false);
        return TRUE;
    case WM_PAINT:
        Paint();
        return TRUE;
    case kReportLater:
        Message(static_cast<UINT>(wParam));
        return TRUE;
    default: break;
    }
    return PanelPage::DlgProc(message, wParam, lParam);
}

void RoutingPage::Report(UINT id, bool& reported) {
    if (reported) return;
    reported = true;
    PostMessageA(hwnd(), kReportLater, id, 0);
}

// The page is composed off screen and copied in one step, so the blinking
// does not flicker; its buttons are clipped out (WS_CLIPCHILDREN in the
// template), or every blink would paint over them.
void RoutingPage::Paint() {
    win::PaintDC paint(hwnd());
    RECT client;
    GetClientRect(hwnd(), &client);
    win::MemoryDC memory(paint.get());
    win::Bitmap canvas(CreateCompatibleBitmap(paint.get(), client.right, client.bottom));
    if (!memory || !canvas) return;
    {
        win::SelectedObject selected(memory.get(), canvas.get());
        FillRect(memory.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
        DrawPicture(memory.get());
        DrawRoutes(memory.get());
        BitBlt(paint.get(), 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
    }
    model_.Painted();
}

void RoutingPage::DrawPicture(HDC dc) const {
    const RoutingGeometry& g = GeometryFor(side_);
    DrawBitmap(dc, background_, g.backgroundX, g.backgroundY);
    DrawBitmap(dc, column_, g.columnX, g.columnY);
    DrawBitmap(dc, labelBack_, g.labelBackX, g.labelBackY, SRCAND);
    const int litRow = model_.HighlightedRow(), litColumn = model_.HighlightedColumn();
    for (int k = 0; k < kRouteChannels; ++k) {
        DrawBitmap(dc, k == litRow ? rowLit_ : row_, g.rowConnectorX, g.RowConnectorY(k));
        DrawBitmap(dc, k == litColumn ? connectorLit_ : connector_, g.ColumnConnectorX(k),
                   RoutingGeometry::kLogicalConnectorY);
    }
    win::SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    for (int row = 0; row < kRouteChannels; ++row) {
        const std::string label = PhysicalLabel(side_, format_, row);
        TextOutA(dc, g.labelX, g.LabelY(row), label.c_str(), static_cast<int>(label.size()));
    }
}

void RoutingPage::DrawRoutes(HDC dc) {
    for (const RouteStroke& s : model_.Strokes()) {
        const RoutePath path = PathFor(side_, s.column, s.row);
        if (s.outline && !DrawPath(dc, path, 5, RGB(0, 0, 0))) return;
        const Rgb c = RouteColour(s.column);
        const COLORREF colour = s.buttonFace ? GetSysColor(COLOR_BTNFACE) : PALETTERGB(c.r, c.g, c.b);
        if (!DrawPath(dc, path, 3, colour)) return;
    }
}

bool RoutingPage::DrawPath(HDC dc, const RoutePath& p, int width, COLORREF colour) {
    LOGBRUSH brush{BS_SOLID, colour, 0};
    win::Pen pen(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, width, &brush, 0, nullptr));
    if (!pen) {
        Report(IDS_ROUTE_PEN_FAILED, penReported_);
        return false;
    }
    win::SelectedObject selected(dc, pen.get());
    MoveToEx(dc, p.x, p.bottomY, nullptr);
    LineTo(dc, p.x, p.turnY);
    if (!Arc(dc, p.arcLeft, p.arcTop, p.arcRight, p.arcBottom, p.arcStartX, p.arcStartY, p.arcEndX,
             p.arcEndY)) {
        Report(IDS_GDI_FAILED, arcReported_);
        return false;
    }
    MoveToEx(dc, p.lineFromX, p.lineY, nullptr);
    LineTo(dc, p.lineToX, p.lineY);
    return true;
}

}  // namespace panel
