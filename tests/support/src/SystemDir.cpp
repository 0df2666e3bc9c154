#include "testkit/SystemDir.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cctype>

namespace testkit {
namespace {

bool HasWildcard(const std::string& s) { return s.find_first_of("*?") != std::string::npos; }

bool IsProgramExtension(std::string ext) {
    for (char& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    static const char* const kProgram[] = {"dll", "exe", "drv", "sys", "cpl", "ocx", "vxd",
                                           "tlb", "nls", "acm", "ax",  "com", "ds",  "tsp"};
    return std::any_of(std::begin(kProgram), std::end(kProgram), [&](const char* p) { return ext == p; });
}

// A name stays inside the system directory and a pattern cannot take the
// prefix's own files with it.
bool IsSafeName(const std::string& name) {
    if (name.empty() || name.find_first_of("\\/:") != std::string::npos || name == "." || name == "..")
        return false;
    if (!HasWildcard(name)) return true;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot + 1);
    return !ext.empty() && !HasWildcard(ext) && !IsProgramExtension(ext);
}

}  // namespace

SystemDirSandbox::SystemDirSandbox(std::vector<std::string> names) {
    for (std::string& name : names) {
        if (IsSafeName(name))
            names_.push_back(std::move(name));
        else
            ADD_FAILURE() << "system directory sandbox refuses the name \"" << name << "\"";
    }
    Clear();
}

SystemDirSandbox::~SystemDirSandbox() { Clear(); }

void SystemDirSandbox::Clear() const {
    for (const std::string& pattern : names_) {
        for (const std::string& name : ListSystemFiles(pattern)) {
            std::string path = SystemFilePath(name);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            EXPECT_TRUE(DeleteFileA(path.c_str()))
                << "could not delete " << path << ", error " << GetLastError();
        }
    }
}

std::string SystemDirectory() {
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    return n > 0 && n < sizeof dir ? std::string(dir, n) : std::string();
}

std::string SystemFilePath(const std::string& name) { return SystemDirectory() + "\\" + name; }

bool SystemFileExists(const std::string& name) {
    DWORD attr = GetFileAttributesA(SystemFilePath(name).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListSystemFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA(SystemFilePath(pattern).c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        // FindFirstFile also matches 8.3 short names ("*.ssf" finds "a.ssfx"),
        // so check the long name ourselves.
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && WildcardMatch(pattern, fd.cFileName))
            names.push_back(fd.cFileName);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteSystemFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    if (!IsSafeName(name) || HasWildcard(name)) return false;
    HANDLE f = CreateFileA(SystemFilePath(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    return ok && written == bytes.size();
}

bool WriteSystemFile(const std::string& name, const std::string& text) {
    return WriteSystemFile(name, std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<uint8_t>> ReadSystemFile(const std::string& name) {
    if (!IsSafeName(name) || HasWildcard(name)) return std::nullopt;
    HANDLE f = CreateFileA(SystemFilePath(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(f, chunk, sizeof chunk, &got, nullptr)) && got > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    CloseHandle(f);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    size_t p = 0, n = 0, star = std::string::npos, resume = 0;
    auto same = [](char a, char b) {
        return tolower(static_cast<unsigned char>(a)) == tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace testkit
