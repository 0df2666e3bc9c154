#pragma once
// One board's mixer window: a strip per shown channel with its mute and
// solo buttons, pan track and fader, worked with the mouse. Every change is
// written into the settings record and sent to the board at once.
#include <windows.h>

#include "MixerModel.h"
#include "StripWindow.h"
#include "win/Gdi.h"

namespace tray {

class CMixerWnd : public CStripWnd {
public:
    CMixerWnd(CMainFrame& frame, int board);
    ~CMixerWnd() override;

    void BringToTop() const;
    // The record changed under the window: options, size and labels again.
    void Refresh();
    // Sends the board's mix from the record; nothing goes out while another
    // program updates the boards. False when the board refused it (the
    // core has said why).
    bool SendMix();

    using CStripWnd::layout;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnShownChanged() override;

private:
    BoardMix Mix() const;
    void LoadBitmaps();
    void LoadOptions();
    void OnLeftDown(WPARAM keys, int x, int y);
    void Apply(const MixerChange& change);
    void EndDrags();
    void FollowDrags();
    void InvalidateColumn(int channel) const;
    void Paint() const;
    void DrawColumn(HDC dc, HDC source, int column) const;

    MixerModel model_;
    bool sending_ = false;
    win::Bitmap strip_, masterLeft_, masterRight_, knob_, muteOn_, muteOff_, soloOn_, soloOff_;
};

}  // namespace tray
