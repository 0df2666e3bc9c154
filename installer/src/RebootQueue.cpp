#include "RebootQueue.h"

#include <windows.h>

#include <cctype>

#include "win/File.h"

namespace setup {

namespace {

constexpr const char* kSection = "[rename]";
// A WININIT.INI holds a few lines; anything this big is not one to edit.
constexpr DWORD kMaxIniSize = 1 << 20;

// Windows 9x processes WININIT.INI before long file names are available.
std::string ShortPath(const std::string& path) {
    char out[MAX_PATH] = {};
    const DWORD n = GetShortPathNameA(path.c_str(), out, sizeof out);
    return n > 0 && n < sizeof out ? std::string(out, n) : std::string();
}

bool IsSectionHeader(const std::string& line) {
    size_t at = line.find_first_not_of(" \t");
    return at != std::string::npos && line[at] == '[';
}

bool IsRenameHeader(const std::string& line) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.size() - at < 8) return false;
    for (size_t i = 0; i < 8; ++i) {
        if (std::tolower(static_cast<unsigned char>(line[at + i])) != kSection[i]) return false;
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string WithRenameLines(const std::string& ini, const std::vector<std::string>& added) {
    std::vector<std::string> lines = Lines(ini);
    size_t insert = lines.size();
    bool found = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!found && IsRenameHeader(lines[i])) {
            found = true;
            insert = i + 1;
        } else if (found) {
            if (IsSectionHeader(lines[i])) break;
            // After the section's last entry, before blank lines that end it.
            if (lines[i].find_first_not_of(" \t") != std::string::npos) insert = i + 1;
        }
    }
    if (!found) {
        insert = lines.size();
        lines.push_back(kSection);
        ++insert;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert), added.begin(), added.end());
    std::string out;
    for (const std::string& line : lines) out += line + "\r\n";
    return out;
}

bool RebootQueue::Delete(const std::string& path) {
    if (windowsNT_) {
        if (!MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return false;
        needed_ = true;
        return true;
    }
    return Add9x("NUL", ShortPath(path));
}

bool RebootQueue::Replace(const std::string& from, const std::string& to) {
    if (windowsNT_) {
        if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
            return false;
        needed_ = true;
        return true;
    }
    return Add9x(ShortPath(to), ShortPath(from));
}

bool RebootQueue::Add9x(const std::string& to, const std::string& from) {
    if (to.empty() || from.empty()) return false;
    char windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n == 0 || n >= sizeof windows) return false;
    const std::string path = std::string(windows) + "\\WININIT.INI";
    std::string ini;
    if (win::File in = win::File::OpenRead(path.c_str())) {
        const DWORD size = in.size().value_or(0);
        if (size > kMaxIniSize) return false;
        ini.resize(size);
        if (size > 0 && !in.readExact(ini.data(), size)) return false;
    }
    const std::string text = WithRenameLines(ini, {to + "=" + from});
    win::File out = win::File::Open(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!out || !out.writeAll(text.data(), static_cast<DWORD>(text.size()))) return false;
    needed_ = true;
    return true;
}

}  // namespace setup
