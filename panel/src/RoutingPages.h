#pragma once
// The In Routing and Out Routing pages: they draw what the routing model
// holds and hand it the user's clicks.
#include "BitmapWithPalette.h"
#include "PanelPage.h"
#include "RoutingModel.h"
#include "win/Timer.h"

namespace panel {

class RoutingPage : public PanelPage {
public:
    RoutingPage(PanelApp& app, UINT templateId, int board, RoutingSide side);

    void Initialise() override;
    void Refresh() override;
    const RoutingModel& model() const { return model_; }

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    INT_PTR DlgProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::uint8_t* Table() const;
    void Changed(bool modified);
    void Paint();
    void DrawPicture(HDC dc) const;
    void DrawRoutes(HDC dc);
    bool DrawPath(HDC dc, const RoutePath& path, int width, COLORREF colour);
    void Report(UINT id, bool& reported);

    const RoutingSide side_;
    RoutingModel model_;
    int format_ = 0;
    win::Timer timer_;
    win::Font font_;
    BitmapWithPalette background_, column_, labelBack_, row_, rowLit_, connector_, connectorLit_;
    bool penReported_ = false, arcReported_ = false;
};

class CInRouteDlg : public RoutingPage {
public:
    CInRouteDlg(PanelApp& app, int board);
};

class CRoutingDlg : public RoutingPage {
public:
    CRoutingDlg(PanelApp& app, int board);
};

}  // namespace panel
