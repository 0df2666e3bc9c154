#pragma once
// What the meter and mixer windows have in common: one window per board in
// columns of channels, its options in the board's panel block, the Show,
// Label, font, Keep on Top and Save Settings items of its system menu, the
// labels under the columns and the user label dialog on a click there, and
// the frame told when the window goes.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ChannelLabels.h"
#include "StripLayout.h"
#include "quorvi/SettingsRecord.h"
#include "win/Gdi.h"
#include "win/Window.h"

namespace tray {

class CMainFrame;

// One kind of strip window: where its options lie in the panel block, and
// its own texts and messages.
struct StripKind {
    std::int32_t quorvi::BoardPanelBlock::*showInputs;
    std::int32_t quorvi::BoardPanelBlock::*showOutputs;
    std::int32_t quorvi::BoardPanelBlock::*showMaster;
    std::int32_t quorvi::BoardPanelBlock::*onTop;
    std::int32_t quorvi::BoardPanelBlock::*left;
    std::int32_t quorvi::BoardPanelBlock::*top;
    std::uint8_t quorvi::BoardPanelBlock::*labelMode;
    LOGFONTA quorvi::BoardPanelBlock::*font;
    char (quorvi::BoardPanelBlock::*userLabels)[quorvi::kLabels][quorvi::kLabelSize];
    LabelSource (*labelSource)(const quorvi::SettingsRecord&, int board);
    int(WINAPI* chooseFont)(LOGFONTA*);
    const char* className;
    DWORD style;
    UINT titleId;       // with one board
    UINT boardTitleId;  // "%d": the board's number, with more boards
    UINT settingsTextId;
    UINT settingsMenuId;  // its first pop-up becomes the settings item
    UINT fontFailureId;
    UINT closedMessage;  // posted to the frame with the board index
};

// Rows of the label area: a click at or below the first edits a label.
inline constexpr int kLabelAreaTop = 128;

class CStripWnd : public win::Window {
public:
    CStripWnd(CMainFrame& frame, int board, const StripKind& kind);

    int board() const { return board_; }
    // Creates the window at its stored place, sized for its columns.
    bool Open();

protected:
    CMainFrame& frame() const { return frame_; }
    quorvi::BoardPanelBlock& panel() const;
    const ColumnLayout& layout() const { return layout_; }
    std::string Title() const;

    // The columns from the options: the window's size and the labels.
    void ApplyLayout();
    void BuildLabels();
    // Puts the standard system menu back and appends the settings pop-up
    // and Keep on Top; the window adds its own items, then Save Settings.
    HMENU ResetSystemMenu();
    void AppendSaveItem(HMENU systemMenu) const;
    // Check marks of the shared items, and the z-order, from the options.
    void ShowStripOptions() const;
    // Check marks of the Show items of a menu holding them, from the options.
    void CheckShowItems(HMENU menu) const;
    bool LoadLabelFont();
    void DrawLabels(HDC dc, COLORREF colour) const;
    // A click in the label area with user labels shown; true when it was
    // one, whether or not the label changed.
    bool EditLabelAt(int x, int y);

    // The shared system-menu commands; false for others.
    bool OnStripCommand(UINT id);
    // After a Show item changed the options; the default lays out anew and
    // repaints.
    virtual void OnShownChanged();
    void RepaintAll() const { InvalidateRect(hwnd(), nullptr, TRUE); }

    // Stores the place of the window and tells the frame.
    void SaveSettings();

    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    ShownGroups ShownOptions() const;
    SIZE FrameSize() const;
    void StorePosition();
    std::int32_t& ShowOption(UINT id) const;

    CMainFrame& frame_;
    int board_;
    const StripKind& kind_;
    ColumnLayout layout_;
    DisplayLabels labels_;
    win::Font font_;
};

}  // namespace tray
