#pragma once
// A board's level meters: a bar per channel that follows the board's levels
// every 53 ms, drawn straight onto the window from the last value drawn,
// with a peak marker above it. The window can move into the notification
// area, where a few small icons summarise groups of channels.
#include <windows.h>

#include <array>
#include <vector>

#include "MeterBars.h"
#include "MeterScale.h"
#include "MeterTray.h"
#include "StripWindow.h"
#include "win/Gdi.h"
#include "win/Menu.h"
#include "win/NotifyIcon.h"
#include "win/Timer.h"

namespace tray {

inline constexpr UINT_PTR kMeterTimer = 1;
inline constexpr UINT kMeterPeriodMs = 53;
inline constexpr UINT kTrayMeterPeriodMs = 250;
// From the window's icons in the notification area.
inline constexpr UINT WM_TRAY_METER_NOTIFY = WM_USER + 5;

class CMeterWnd : public CStripWnd {
public:
    CMeterWnd(CMainFrame& frame, int board);
    ~CMeterWnd() override;

    // The options from the record again (after an update or a setup load).
    void Refresh();
    // The window comes to the top, back from the notification area if it
    // was there.
    void BringToTop();
    bool inTray() const { return inTray_; }
    // One timer tick, as the timer gives it.
    void Tick();

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnShownChanged() override;

private:
    bool OnCreate();
    void CreateBrushes();
    void LoadOptions();
    void ApplyScale();
    void ApplyStyle();
    void LoadScaleBitmap(int id);
    void OnPaint();
    bool OnMeterCommand(UINT id);
    void SetMode(int mode);
    void SetRange(int range);
    void ChooseDecayRate();
    void ChooseReferenceLevel();
    bool ReadStatus();
    void DrawBars();
    HBRUSH BrushFor(COLORREF colour) const;

    // Tray mode.
    void EnterTray();
    void LeaveTray();
    void CloseFromTray();
    bool AddTrayIcons();
    void RemoveTrayIcons();
    void UpdateTrayIcons();
    HICON TrayPicture(const TrayMeterIcon& icon, int pattern);
    void ShowTrayMenu();
    void OnTrayNotify(UINT mouseMessage);

    MeterScale scale_{};
    ChannelCounts counts_;
    int mode_ = PeakHold;
    bool modePicked_ = false;
    MeterBars bars_;
    StatusBlock block_{};
    MeterValues values_{};
    std::vector<BarFill> fills_;
    bool readFailing_ = false;
    win::Timer timer_;

    struct ColourBrush {
        COLORREF colour;
        win::Brush brush;
    };
    std::vector<ColourBrush> brushes_;
    win::Bitmap scaleBitmap_;
    int scaleBitmapId_ = 0;

    bool inTray_ = false;
    std::vector<TrayMeterIcon> trayIcons_;
    std::array<win::NotifyIcon, 9> trayShown_;
    std::array<int, 9> trayPattern_{};
    std::array<HICON, 256 + 16> trayPictures_{};
    win::PopupMenu trayMenu_;
};

}  // namespace tray
