#include "SetupFiles.h"
#include "win/File.h"
#include <algorithm>
#include <cstring>
#include <memory>

namespace panel {

using quorvi::SettingsRecord;

namespace {

constexpr DWORD kRecordSize = sizeof(SettingsRecord);

bool SameName(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

std::string NameOnly(const std::string& path) {
    const auto cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void CopyBounded(char* to, std::size_t size, const std::string& from) {
    const std::size_t n = std::min(from.size(), size - 1);
    std::memcpy(to, from.data(), n);
    std::memset(to + n, 0, size - n);
}

std::string BoundedString(const char* from, std::size_t size) {
    return std::string(from, strnlen(from, size));
}

bool IsPlainFileName(const char* name, std::size_t size) {
    const std::size_t n = strnlen(name, size);
    if (n == 0 || n == size) return false;
    const std::string s(name, n);
    return s.find_first_of(":\\/") == std::string::npos && s.find("..") == std::string::npos;
}

SetupFiles::SetupFiles(std::string directory, Reporter report)
    : directory_(std::move(directory)), report_(std::move(report)) {}

SetupFiles::ReadResult SetupFiles::Read(const std::string& path, SettingsRecord& scratch) const {
    win::File file = win::File::OpenRead(path.c_str());
    if (!file) return ReadResult::CannotOpen;
    return file.readExact(&scratch, kRecordSize) ? ReadResult::Ok : ReadResult::CannotRead;
}

void SetupFiles::MakeNameSafe(SettingsRecord& record) {
    if (IsPlainFileName(record.fileName, sizeof record.fileName)) return;
    CopyBounded(record.fileName, sizeof record.fileName, kFactoryFileName);
    report_(kMsgUnsafeSetupName);
}

bool SetupFiles::Write(const std::string& path, SettingsRecord& record) {
    {
        win::File file = win::File::OpenWrite(path.c_str());
        if (!file) {
            report_(kMsgCannotOpenSetup);
            return false;
        }
        if (!file.writeAll(&record, kRecordSize)) {
            report_(kMsgCannotWriteSetup);
            return false;
        }
    }
    // The time is taken after the write, so the file holds the previous one.
    win::File file = win::File::OpenRead(path.c_str());
    if (auto written = file ? file.lastWriteTime() : std::nullopt) record.fileTime = *written;
    return true;
}

SetupList SetupFiles::Enumerate(SettingsRecord& record) {
    SetupList list;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(PathOf("*.ssf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        report_(kMsgNoSetupFiles);
        return list;
    }
    auto scratch = std::make_unique<SettingsRecord>();
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = BoundedString(found.cFileName, sizeof found.cFileName);
        std::memset(scratch.get(), 0, kRecordSize);
        switch (Read(PathOf(name), *scratch)) {
        case ReadResult::CannotOpen: report_(kMsgCannotOpenSetup); break;
        case ReadResult::CannotRead:
            report_(kMsgCannotReadSetup);
            std::memset(scratch.get(), 0, kRecordSize);
            break;
        case ReadResult::Ok: break;
        }
        const std::string description =
            BoundedString(scratch->description, kMaxDescription);
        if (list.current < 0 && SameName(name, BoundedString(record.fileName, sizeof record.fileName).c_str())) {
            list.current = static_cast<int>(list.names.size());
            CopyBounded(record.description, sizeof record.description, description);
        }
        list.names.push_back(name);
        list.descriptions.push_back(description);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return list;
}

SetupList SetupFiles::List(SettingsRecord& record, int boardCount) {
    SetupList list = Enumerate(record);
    if (list.names.empty() || list.current >= 0) return list;
    if (!Load(record, list.names[0], boardCount)) return list;
    return Enumerate(record);
}

bool SetupFiles::Load(SettingsRecord& record, const std::string& name, int boardCount) {
    auto scratch = std::make_unique<SettingsRecord>();
    switch (Read(PathOf(name), *scratch)) {
    case ReadResult::CannotOpen: report_(kMsgSetupMissing); return false;
    case ReadResult::CannotRead: report_(kMsgCannotReadSetup); return false;
    case ReadResult::Ok: break;
    }
    record = *scratch;
    CopyBounded(record.fileName, sizeof record.fileName, name);
    const int lastBoard = std::max(boardCount - 1, 0);
    record.device.masterBoard = std::clamp(record.device.masterBoard, 0, lastBoard);
    return true;
}

bool SetupFiles::SaveCurrent(SettingsRecord& record) {
    MakeNameSafe(record);
    return Write(PathOf(record.fileName), record);
}

bool SetupFiles::SaveCopy(SettingsRecord& record, const std::string& path) {
    const std::string name = NameOnly(path);
    // The record must be able to name the copy, or it would name another file.
    if (name.empty() || name.size() >= sizeof record.fileName || name.find("..") != std::string::npos) {
        report_(kMsgCannotOpenSetup);
        return false;
    }
    const std::string description =
        "Copy of " + BoundedString(record.description, kMaxDescription);
    auto copy = std::make_unique<SettingsRecord>(record);
    CopyBounded(copy->description, sizeof copy->description, description);
    CopyBounded(copy->fileName, sizeof copy->fileName, name);
    if (!Write(path, *copy)) return false;
    record = *copy;
    return true;
}

bool SetupFiles::ChangeProperties(SettingsRecord& record, const std::string& description,
                                  bool eraseProtect) {
    CopyBounded(record.description, sizeof record.description, description);
    record.eraseProtect = eraseProtect ? 1 : 0;
    return SaveCurrent(record);
}

bool SetupFiles::DeleteCurrent(SettingsRecord& record, const std::function<bool()>& confirm) {
    if (record.eraseProtect) {
        report_(kMsgEraseProtected);
        return false;
    }
    if (!confirm()) return false;
    if (!IsPlainFileName(record.fileName, sizeof record.fileName) ||
        !DeleteFileA(PathOf(record.fileName).c_str())) {
        report_(kMsgCannotDeleteSetup);
        return false;
    }
    return true;
}

}  // namespace panel
