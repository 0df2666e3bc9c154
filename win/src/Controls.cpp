#include "win/Controls.h"

namespace win {

void FillComboBox(HWND combo, const std::vector<std::string>& entries) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries)
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

int ComboBoxSelection(HWND combo) {
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

int ComboBoxValue(HWND combo, int unchanged) {
    const int selected = ComboBoxSelection(combo);
    return selected >= 0 ? selected : unchanged;
}

bool SelectComboBoxIndex(HWND combo, int index) {
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    if (index < 0 || count == CB_ERR || index >= count) index = -1;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return index >= 0;
}

void CheckRadioValue(HWND dialog, RadioGroup buttons, int value) {
    int i = 0;
    for (int id : buttons) SetButtonCheck(dialog, id, i++ == value);
}

int CheckedRadioValue(HWND dialog, RadioGroup buttons) {
    int i = 0;
    for (int id : buttons) {
        if (ButtonChecked(dialog, id)) return i;
        ++i;
    }
    return -1;
}

int RadioValueOf(RadioGroup buttons, int id) {
    int i = 0;
    for (int button : buttons) {
        if (button == id) return i;
        ++i;
    }
    return -1;
}

void SetButtonCheck(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool ButtonChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace win
