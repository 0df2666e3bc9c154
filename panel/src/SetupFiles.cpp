#include "SetupFiles.h"
#include "win/File.h"
#include <algorithm>
#include <cstring>
#include <memory>

namespace panel {

using quorvi::SettingsRecord;

namespace {

std::string NameOnly(const std::string& path) {
    const auto cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

void LimitMasterBoard(SettingsRecord& record, int boardCount) {
    record.device.masterBoard = std::clamp(record.device.masterBoard, 0, std::max(boardCount - 1, 0));
}

SetupList SetupFiles::Enumerate(SettingsRecord& record) {
    SetupList list;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(win::SystemDirectoryPath("*.ssf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        report_(kMsgNoSetupFiles);
        return list;
    }
    const std::string current = BoundedString(record.fileName, sizeof record.fileName);
    auto scratch = std::make_unique<SettingsRecord>();
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = BoundedString(found.cFileName, sizeof found.cFileName);
        std::memset(scratch.get(), 0, sizeof *scratch);
        switch (QuorviReadSetupFile(name.c_str(), scratch.get())) {
        case quorvi::SetupFileOk: break;
        case quorvi::SetupFileCannotRead: report_(kMsgCannotReadSetup); break;
        default: report_(kMsgCannotOpenSetup); break;
        }
        const std::string description = BoundedString(scratch->description, kMaxDescription);
        if (list.current < 0 && lstrcmpiA(name.c_str(), current.c_str()) == 0) {
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
    list = Enumerate(record);
    list.loaded = true;
    return list;
}

bool SetupFiles::Load(SettingsRecord& record, const std::string& name, int boardCount) {
    // A name the record cannot hold whole would be cut, and the next save
    // would write another file.
    if (name.size() >= sizeof record.fileName) {
        report_(kMsgSetupMissing);
        return false;
    }
    switch (QuorviReadSetupFile(name.c_str(), &record)) {
    case quorvi::SetupFileOk: break;
    case quorvi::SetupFileCannotRead: report_(kMsgCannotReadSetup); return false;
    default: report_(kMsgSetupMissing); return false;
    }
    CopyBounded(record.fileName, sizeof record.fileName, name);
    LimitMasterBoard(record, boardCount);
    return true;
}

bool SetupFiles::Save(const char* path, SettingsRecord& record) {
    switch (QuorviSaveSetupFile(path, &record)) {
    case quorvi::SetupFileOk: return true;
    case quorvi::SetupFileCannotWrite: report_(kMsgCannotWriteSetup); return false;
    default: report_(kMsgCannotOpenSetup); return false;
    }
}

bool SetupFiles::SaveCurrent(SettingsRecord& record) {
    char path[MAX_PATH];
    if (!QuorviRecordFilePath(&record, path, sizeof path)) {
        report_(kMsgCannotOpenSetup);
        return false;
    }
    return Save(path, record);
}

bool SetupFiles::SaveCopy(SettingsRecord& record, const std::string& path) {
    const std::string name = NameOnly(path);
    // The record must be able to name the copy, or it would name another file.
    if (name.empty() || name.size() >= sizeof record.fileName) {
        report_(kMsgCannotOpenSetup);
        return false;
    }
    auto copy = std::make_unique<SettingsRecord>(record);
    CopyBounded(copy->description, sizeof copy->description,
                "Copy of " + BoundedString(record.description, kMaxDescription));
    CopyBounded(copy->fileName, sizeof copy->fileName, name);
    if (!Save(path.c_str(), *copy)) return false;
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
    char path[MAX_PATH];
    const bool terminated = strnlen(record.fileName, sizeof record.fileName) < sizeof record.fileName;
    if (!terminated || !QuorviSetupFilePath(record.fileName, path, sizeof path) || !DeleteFileA(path)) {
        report_(kMsgCannotDeleteSetup);
        return false;
    }
    return true;
}

}  // namespace panel
