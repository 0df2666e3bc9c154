#pragma once
// The boards' status: a modeless sheet with one page per board, showing the
// lamps of the status bits latched since the last clear, the measured rate
// and a verdict, with a check box per error kind that decides whether it
// turns the tray icon red.
#include <windows.h>

#include <string>

#include "StatusRules.h"
#include "win/Gdi.h"
#include "win/PropertySheet.h"
#include "win/Timer.h"

namespace tray {

class CMainFrame;

inline constexpr UINT_PTR kStatusPageTimer = 1;
inline constexpr UINT kStatusPagePeriodMs = 211;

class CStatusPage : public win::PropertyPage {
public:
    CStatusPage(CMainFrame& frame, int board);

    // The options from the record again, and every lamp shown afresh.
    void Refresh();
    // One timer tick, as the timer gives it.
    void Tick();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowChecks();
    void ToggleMaskBit(int lamp);

    CMainFrame& frame_;
    int board_;
    StatusPageView view_;
    std::string shownRate_;
    win::Timer timer_;
    win::Bitmap lit_;
    win::Bitmap unlit_;
};

class CTraySheet : public win::PropertySheet {
public:
    explicit CTraySheet(CMainFrame& frame);

protected:
    bool OnSheetMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CMainFrame& frame_;
};

}  // namespace tray
