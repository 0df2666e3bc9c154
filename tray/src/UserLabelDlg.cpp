#include "UserLabelDlg.h"

#include "resource.h"
#include "win/FixedText.h"

namespace tray {

// A longer label (from an older record) is offered as far as it can be kept.
CUserLabelDlg::CUserLabelDlg(const win::Module& module, std::string label)
    : win::Dialog(module, IDD_USER_LABEL), label_(label.substr(0, kUserLabelChars)) {}

BOOL CUserLabelDlg::OnInitDialog() {
    SetItemText(IDC_LABEL_PROMPT, module().String(IDS_LABEL_PROMPT));
    UpdateData(false);
    // The text to replace is selected, so typing starts afresh.
    HWND edit = Item(IDC_LABEL_TEXT);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    return FALSE;
}

bool CUserLabelDlg::DoDataExchange(win::DataExchange& dx) {
    return dx.Text(IDC_LABEL_TEXT, label_, kUserLabelChars);
}

bool EditUserLabel(const win::Module& module, HWND owner, char (&field)[quorvi::kLabelSize]) {
    CUserLabelDlg dialog(module, win::BoundedString(field, sizeof field));
    if (dialog.RunModal(owner) != IDOK) return false;
    StoreUserLabel(field, dialog.label());
    return true;
}

}  // namespace tray
