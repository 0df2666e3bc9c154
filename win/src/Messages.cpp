#include "win/Messages.h"
#include <cctype>
#include <cstdio>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win {

HINSTANCE ThisModule() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

std::string LoadResString(HINSTANCE module, UINT id) {
    // A string-table entry holds at most 65535 characters; grow until the
    // text fits with room to spare, which proves it was not cut.
    for (int capacity = 256; capacity <= 4 * 65536; capacity *= 4) {
        std::vector<char> buffer(capacity);
        int length = LoadStringA(module, id, buffer.data(), capacity);
        if (length < capacity - 1) return std::string(buffer.data(), length);
    }
    return {};
}

namespace {

// Parses one printf integer conversion at text[pos] ('%' already seen at
// pos - 1). Returns its length, or 0 when it is something else.
size_t IntegerConversionLength(std::string_view text, size_t pos) {
    size_t i = pos;
    while (i < text.size() && std::string_view("-+ #0").find(text[i]) != std::string_view::npos)
        ++i;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            ++i, ++digits;
    }
    if (digits > 4) return 0;  // absurd widths are not formatting, refuse them
    while (i < text.size() && (text[i] == 'l' || text[i] == 'h')) ++i;
    if (i >= text.size() || std::string_view("diouxX").find(text[i]) == std::string_view::npos)
        return 0;
    return i + 1 - pos;
}

std::string FormatOneInteger(std::string_view conversion, DWORD code) {
    // Rebuild the conversion with an explicit 'l' so the argument width is ours.
    std::string rebuilt = "%";
    for (char c : conversion.substr(0, conversion.size() - 1))
        if (c != 'l' && c != 'h') rebuilt += c;
    rebuilt += 'l';
    char type = conversion.back();
    rebuilt += type;
    char out[64];
    if (type == 'd' || type == 'i')
        std::snprintf(out, sizeof out, rebuilt.c_str(), static_cast<long>(static_cast<LONG>(code)));
    else
        std::snprintf(out, sizeof out, rebuilt.c_str(), static_cast<unsigned long>(code));
    return out;
}

}  // namespace

std::string FormatErrorCode(std::string_view pattern, DWORD code) {
    std::string result;
    bool used = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            result += pattern[i];
        } else if (pattern[i + 1] == '%') {
            result += '%';
            ++i;
        } else if (size_t n = used ? 0 : IntegerConversionLength(pattern, i + 1)) {
            result += FormatOneInteger(pattern.substr(i + 1, n), code);
            used = true;
            i += n;
        } else {
            result += '%';
        }
    }
    return result;
}

std::string FormatPlaceholders(std::string_view pattern,
                               std::initializer_list<std::string_view> texts) {
    std::string result;
    for (size_t i = 0; i < pattern.size(); ++i) {
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next == '%') {
            result += '%';
            ++i;
        } else if (pattern[i] == '%' && next >= '1' && next <= '9' &&
                   static_cast<size_t>(next - '1') < texts.size()) {
            result += texts.begin()[next - '1'];
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

std::string Module::caption() const {
    return captionId_ ? String(captionId_) : caption_;
}

int Module::ShowText(const std::string& text, UINT type, HWND owner) const {
    std::string title = caption();
    return MessageBoxA(owner, text.c_str(), title.empty() ? nullptr : title.c_str(), type);
}

int Module::ShowMessage(UINT textId, UINT type, HWND owner) const {
    return ShowText(String(textId), type, owner);
}

void Module::ReportRequestFailure(UINT textId, DWORD code, HWND owner) const {
    ShowText(FormatErrorCode(String(textId), code), MB_OK, owner);
}

}  // namespace win
