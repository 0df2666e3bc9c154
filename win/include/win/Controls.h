#pragma once
// Plain helpers for the standard controls of a dialog: drop-down lists by
// index, radio groups by value and check boxes as flags.
#include <windows.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace win {

// Empties a combo box and adds the entries in order.
void FillComboBox(HWND combo, const std::vector<std::string>& entries);
// The selected entry, -1 for none.
int ComboBoxSelection(HWND combo);
// The selected entry, or `unchanged` when none is: a stored value the list
// has no entry for stays as it was, since the user cannot choose "none".
int ComboBoxValue(HWND combo, int unchanged);
// Selects entry index; an index that names no entry leaves none selected.
// True when an entry is selected.
bool SelectComboBoxIndex(HWND combo, int index);

// A radio group given by its buttons in value order: button i stands for
// value i. Checking a value outside the group leaves every button clear.
using RadioGroup = std::initializer_list<int>;
void CheckRadioValue(HWND dialog, RadioGroup buttons, int value);
// The value of the checked button, -1 when none is.
int CheckedRadioValue(HWND dialog, RadioGroup buttons);
// The value button id stands for, -1 when it is not one of the group.
int RadioValueOf(RadioGroup buttons, int id);

void SetButtonCheck(HWND dialog, int id, bool checked);
bool ButtonChecked(HWND dialog, int id);

}  // namespace win
