#include "SetupFiles.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>

#include "CoreStrings.h"
#include "resource.h"
#include "win/ExceptionGuard.h"
#include "win/File.h"

namespace quorvi {

namespace {

// Windows opens these as devices in every directory and with any extension,
// so a record written under such a name would go to a port or the console,
// and a read could wait on it forever.
bool IsDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (base == device) return true;
    }
    // Port numbers 0-9 and, in the ANSI code page, superscript 1-3.
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           std::string_view("0123456789\xB9\xB2\xB3").find(base[3]) != std::string_view::npos;
}

}  // namespace

bool IsPlainFileName(const char* name, std::size_t fieldSize) {
    if (!name) return false;
    std::size_t length = strnlen(name, fieldSize);
    if (length == 0 || length == fieldSize) return false;
    std::string_view text(name, length);
    // Characters no file name may hold: stored as the current setup, such a
    // name would send every later load back to the factory file.
    bool control = std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return !control && text.find_first_of(":\\/<>\"|?*") == std::string_view::npos &&
           text.find("..") == std::string_view::npos && !IsDeviceName(text);
}

std::optional<std::string> SetupPath(const char* name, std::size_t fieldSize) {
    if (!IsPlainFileName(name, fieldSize)) return std::nullopt;
    std::string path = win::SystemDirectoryPath(name);
    if (path.empty() || path.size() >= MAX_PATH) return std::nullopt;
    return path;
}

bool SameFileName(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

SetupFileResult ReadRecordFile(const std::string& path, SettingsRecord& out) {
    win::File file = win::File::OpenRead(path.c_str());
    if (!file) return SetupFileCannotOpen;
    auto scratch = std::make_unique<SettingsRecord>();
    if (!file.readExact(scratch.get(), sizeof(SettingsRecord))) return SetupFileCannotRead;
    std::memcpy(&out, scratch.get(), sizeof out);
    return SetupFileOk;
}

SetupFileResult WriteRecordFile(const std::string& path, const SettingsRecord& record) {
    win::File file = win::File::OpenWrite(path.c_str());
    if (!file) return SetupFileCannotOpen;
    if (!file.writeAll(&record, sizeof record)) return SetupFileCannotWrite;
    return SetupFileOk;
}

std::string FactoryFileName() { return CoreString(IDS_FACTORY_FILE); }

void SanitizeFileName(SettingsRecord& record) {
    if (IsPlainFileName(record.fileName, sizeof record.fileName)) return;
    CopyCoreString(IDS_FACTORY_FILE, record.fileName);
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) Core().ShowMessage(IDS_UNSAFE_FILE_NAME);
}

}  // namespace quorvi

using namespace quorvi;

extern "C" int WINAPI QuorviSetupFilePath(const char* name, char* path, int size) {
    return win::RunGuarded(0, [&] {
        auto full = SetupPath(name, MAX_PATH);
        if (!full || !path || size <= 0 || full->size() >= static_cast<std::size_t>(size)) return 0;
        // Only the name and its terminator: the caller's buffer past them is its own.
        CopyBounded(path, full->size() + 1, *full);
        return 1;
    });
}

extern "C" int WINAPI QuorviReadSetupFile(const char* name, SettingsRecord* record) {
    return win::RunGuarded(static_cast<int>(SetupFileCannotOpen), [&] {
        auto path = SetupPath(name, MAX_PATH);
        if (!path || !record) return static_cast<int>(SetupFileCannotOpen);
        return static_cast<int>(ReadRecordFile(*path, *record));
    });
}

extern "C" int WINAPI QuorviSaveSetupFile(const char* path, SettingsRecord* record) {
    return win::RunGuarded(static_cast<int>(SetupFileCannotOpen), [&] {
        if (!path || !record) return static_cast<int>(SetupFileCannotOpen);
        SetupFileResult result = WriteRecordFile(path, *record);
        if (result != SetupFileOk) return static_cast<int>(result);
        // The record keeps the time of this save; the file keeps the time of
        // the one before.
        win::File file = win::File::OpenRead(path);
        if (auto written = file ? file.lastWriteTime() : std::nullopt) record->fileTime = *written;
        return static_cast<int>(SetupFileOk);
    });
}

extern "C" int WINAPI QuorviRecordFilePath(SettingsRecord* record, char* path, int size) {
    return win::RunGuarded(0, [&] {
        if (!record) return 0;
        SanitizeFileName(*record);
        return QuorviSetupFilePath(record->fileName, path, size);
    });
}
