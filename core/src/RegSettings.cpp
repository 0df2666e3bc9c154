// The working record: the registry names the current setup file, the file
// holds the record. Loading repairs a missing or outdated configuration.
#include <memory>

#include "CoreStrings.h"
#include "DefaultRecord.h"
#include "SetupFiles.h"
#include "quorvi/QuorviCore.h"
#include "resource.h"
#include "win/ExceptionGuard.h"
#include "win/RegKey.h"

using namespace quorvi;

namespace {

const char kSetupsKey[] = "Software\\Quelmar\\Setups";
const char kCurrent[] = "Current";
// A longer name could not be kept in the record's fileName, which decides
// where the record is stored again; such a value counts as missing.
const std::size_t kCurrentChars = kFileNameSize - 1;
const int kPasses = 5;

// Created with every level that is missing.
win::RegKey OpenSetupsKey() { return win::RegKey::Create(HKEY_CURRENT_USER, kSetupsKey); }

// The size given leaves the terminator out, as the value has always been
// written; NT (and Wine) count it back in when the byte after is a NUL.
void SetCurrent(win::RegKey& key, const std::string& name) {
    key.setString(kCurrent, name, win::StoredNul::NotCounted);
}

// Shows 69 or 73 when the record could not be stored.
void StoreRecord(const SettingsRecord& record) {
    auto path = SetupPath(record.fileName, sizeof record.fileName);
    SetupFileResult result = path ? WriteRecordFile(*path, record) : SetupFileCannotOpen;
    if (result == SetupFileCannotOpen) Core().ShowMessage(IDS_CANNOT_OPEN_SETUP);
    if (result == SetupFileCannotWrite) Core().ShowMessage(IDS_CANNOT_WRITE_SETUP);
}

// The record of basic values, written as a fresh factory file.
void BuildBasicRecord(SettingsRecord& record) {
    BuildDefaultRecord(record);
    StoreRecord(record);
}

// A file copied or renamed outside the panel still holds its old name; the
// record must name the file it came from, or storing it would overwrite the
// other file.
void NameRecord(SettingsRecord& record, const std::string& name) {
    std::string held = win::BoundedString(record.fileName, sizeof record.fileName);
    if (SameFileName(held, name)) return;
    CopyBounded(record.fileName, sizeof record.fileName, name);
}

enum class Load { Done, Failed, FailedFactory };

// One attempt to load the file `name` into record.
Load LoadCurrent(const std::string& name, SettingsRecord& record) {
    bool factory = SameFileName(name, FactoryFileName());
    auto path = SetupPath(name.c_str(), name.size() + 1);
    if (!path) return Load::Failed;
    auto scratch = std::make_unique<SettingsRecord>();
    SetupFileResult result = ReadRecordFile(*path, *scratch);
    if (result == SetupFileOk && scratch->version == kRecordVersion) {
        NameRecord(*scratch, name);
        record = *scratch;
        return Load::Done;
    }
    if (result == SetupFileCannotRead) Core().ShowMessage(IDS_CANNOT_READ_SETUP);
    if (result == SetupFileOk && factory) {
        Core().ShowMessage(IDS_FACTORY_PREVIOUS_VERSION);
        DeleteFileA(path->c_str());
    }
    // A user's file of another version is left alone: only the factory file
    // is ours to replace.
    return factory ? Load::FailedFactory : Load::Failed;
}

}  // namespace

extern "C" int WINAPI QuorviGetRegSettings(SettingsRecord* record, int quiet) {
    return win::RunGuarded(0, [&] {
        if (!record) return 0;
        win::RegKey key = OpenSetupsKey();
        bool done = false;
        for (int pass = 0; pass < kPasses && !done; ++pass) {
            auto name = key.queryString(kCurrent, kCurrentChars);
            Load load = name ? LoadCurrent(*name, *record) : Load::Failed;
            done = load == Load::Done;
            if (load == Load::FailedFactory) {
                BuildBasicRecord(*record);
            } else if (load == Load::Failed) {
                SetCurrent(key, FactoryFileName());
                if (!quiet) Core().ShowMessage(IDS_REGISTRY_KEY_NOT_FOUND);
            }
        }
        // Without a readable file (say the directory is read-only) the caller
        // still gets a valid record.
        if (!done) BuildDefaultRecord(*record);
        key.flush();
        return 1;
    });
}

extern "C" int WINAPI QuorviSetRegSettings(SettingsRecord* record) {
    return win::RunGuarded(0, [&] {
        if (!record) return 0;
        SanitizeFileName(*record);
        {
            win::RegKey key = OpenSetupsKey();
            SetCurrent(key, record->fileName);
            key.flush();
        }
        StoreRecord(*record);
        return 1;
    });
}
