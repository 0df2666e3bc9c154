#pragma once
// The dialog that edits one user-defined label of a meter or mixer window
// column.
#include <string>

#include "ChannelLabels.h"
#include "quorvi/SettingsRecord.h"
#include "win/Dialog.h"

namespace tray {

class CUserLabelDlg : public win::Dialog {
public:
    CUserLabelDlg(const win::Module& module, std::string label);

    // The text as typed, once the dialog has ended with OK.
    const std::string& label() const { return label_; }

protected:
    BOOL OnInitDialog() override;
    bool DoDataExchange(win::DataExchange& dx) override;

private:
    std::string label_;
};

// Asks for a new text for a stored user label and stores it there on OK.
// The field may come from a damaged record: it is read only up to its size.
bool EditUserLabel(const win::Module& module, HWND owner, char (&field)[quorvi::kLabelSize]);

}  // namespace tray
