#pragma once
// What every page of the sheet shares: its board, the "shown" state, the
// last-page bookkeeping and its part in the apply protocol.
#include "win/PropertySheet.h"

namespace panel {

class PanelApp;

class PanelPage : public win::PropertyPage {
public:
    PanelPage(PanelApp& app, UINT templateId, int board);

    // Takes the page's values from the working record; clears "modified".
    virtual void Initialise() = 0;
    // Shows the record's values again; only called while shown.
    virtual void Refresh() = 0;

    bool shown() const { return shown_; }
    int board() const { return board_; }
    void SetSheetIndex(int index) { sheetIndex_ = index; }

protected:
    BOOL OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;
    void OnOK() override;
    // Message box by string number, owned by the page (by the sheet while
    // the page has no window yet).
    void Message(UINT id) const;

    PanelApp& app_;
    const int board_;
    bool shown_ = false;

private:
    int sheetIndex_ = 0;
};

}  // namespace panel
