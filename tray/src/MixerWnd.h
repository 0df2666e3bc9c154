#pragma once
// One board's mixer window: a strip per shown channel with its mute and
// solo buttons, pan track and fader, worked with the mouse. Every change is
// written into the settings record and sent to the board at once; the
// window's options (groups shown, labels, font, keep on top, position) live
// in the record too and are changed from its system menu.
#include <windows.h>

#include "ChannelLabels.h"
#include "MixerModel.h"
#include "StripLayout.h"
#include "quorvi/SettingsRecord.h"
#include "win/Gdi.h"
#include "win/Window.h"

namespace tray {

class CMainFrame;

class CMixerWnd : public win::Window {
public:
    CMixerWnd(CMainFrame& frame, int board);

    // Creates the window where the record places it.
    bool Open();
    void BringToTop() const;
    // The record changed under the window: options, size and labels again.
    void Refresh();
    // Sends the board's mix from the record; nothing goes out while another
    // program updates the boards. False when the board refused it (the
    // core has said why).
    bool SendMix();

    int board() const { return board_; }
    const ColumnLayout& layout() const { return layout_; }

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    quorvi::BoardPanelBlock& Panel() const;
    BoardMix Mix() const;

    void OnCreate();
    void OnDestroy();
    void LoadBitmaps();
    void LoadOptions();
    void BuildSystemMenu();
    void UpdateMenuChecks() const;
    void CreateLabelFont();
    void Resize() const;
    void StorePosition() const;
    bool OnSysCommand(UINT id);
    void ShowGroup(std::int32_t& option);
    void SetLabelMode(int mode);
    void ChooseLabelFont();
    void KeepOnTop(bool onTop) const;

    void Apply(const MixerChange& change);
    void FollowDrags();
    void EditLabel(int channel);
    void RebuildLabels();
    void InvalidateColumn(int channel) const;

    void Paint();
    void DrawColumn(HDC dc, HDC source, int column) const;
    void DrawLabel(HDC dc, int column) const;
    // A message to show once the window is back in its message loop.
    void ReportLater(UINT textId) const;

    CMainFrame& frame_;
    int board_;
    ColumnLayout layout_{ShownGroups{}};
    MixerModel model_;
    DisplayLabels labels_;
    bool sending_ = false;
    win::Font font_;
    win::Bitmap strip_, masterLeft_, masterRight_, knob_, muteOn_, muteOff_, soloOn_, soloOff_;
};

}  // namespace tray
