#pragma once
#include "win/Messages.h"
#include <windows.h>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// An integer as typed into an edit control: blanks around an optional sign
// and decimal digits. Anything else, or a value beyond int, is no integer.
std::optional<int> ParseInteger(std::string_view text);

// The standard prompts of a failed validation.
std::string IntegerRangePrompt(int min, int max);
std::string TextLengthPrompt(size_t maxChars);

// Moves values between a dialog's controls and variables, one call per
// control, in the spirit of MFC's DDX/DDV but without exceptions: each call
// returns false when a value fails its check, after telling the user with
// the standard prompt and putting the focus back into the control. Chain the
// calls with && so the first failure stops the exchange.
class DataExchange {
public:
    DataExchange(HWND dialog, const Module& module, bool saving)
        : dialog_(dialog), module_(module), saving_(saving) {}

    // True when moving control contents into variables.
    bool saving() const { return saving_; }

    // Edit control holding an integer in [min, max].
    bool Integer(int controlId, int& value, int min, int max);
    // Edit control holding at most maxChars characters; loading also sets
    // the control's limit, so the prompt is the last line of defence.
    bool Text(int controlId, std::string& value, size_t maxChars);
    // Check box or radio button: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    bool Check(int controlId, int& value);

private:
    bool Fail(HWND control, const std::string& prompt);

    HWND dialog_;
    const Module& module_;
    bool saving_;
};

}  // namespace win
