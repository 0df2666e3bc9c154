#include "win/DataExchange.h"
#include "win/Window.h"
#include <climits>

namespace win {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<int> ParseInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    value = negative ? -value : value;
    if (value > INT_MAX || value < INT_MIN) return std::nullopt;
    return static_cast<int>(value);
}

std::string IntegerRangePrompt(int min, int max) {
    return FormatPlaceholders("Please enter an integer between %1 and %2.",
                              {std::to_string(min), std::to_string(max)});
}

std::string TextLengthPrompt(size_t maxChars) {
    return FormatPlaceholders("Please enter no more than %1 characters.",
                              {std::to_string(maxChars)});
}

bool DataExchange::Fail(HWND control, const std::string& prompt) {
    module_.ShowText(prompt, MB_OK | MB_ICONEXCLAMATION, dialog_);
    // WM_NEXTDLGCTL rather than SetFocus keeps the dialog's default button right.
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageA(control, EM_SETSEL, 0, -1);
    return false;
}

bool DataExchange::Integer(int controlId, int& value, int min, int max) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (!control) return false;
    if (!saving_) {
        SetWindowTextA(control, std::to_string(value).c_str());
        return true;
    }
    std::optional<int> typed = ParseInteger(WindowText(control));
    if (!typed || *typed < min || *typed > max)
        return Fail(control, IntegerRangePrompt(min, max));
    value = *typed;
    return true;
}

bool DataExchange::Text(int controlId, std::string& value, size_t maxChars) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (!control) return false;
    if (!saving_) {
        SendMessageA(control, EM_LIMITTEXT, maxChars, 0);
        SetWindowTextA(control, value.substr(0, maxChars).c_str());
        return true;
    }
    std::string typed = WindowText(control);
    if (typed.size() > maxChars) return Fail(control, TextLengthPrompt(maxChars));
    value = std::move(typed);
    return true;
}

bool DataExchange::Check(int controlId, int& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (!control) return false;
    if (saving_)
        value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        SendMessageA(control, BM_SETCHECK, value, 0);
    return true;
}

}  // namespace win
