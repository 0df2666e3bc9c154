#pragma once
// Setup files: the operations the Setups page calls on the *.ssf files of
// the system directory, over quorvicore's setup-file helpers. Messages go
// out by the panel's string numbers through the caller's reporter, so the
// module shows no windows itself.
#include "quorvi/QuorviCore.h"
#include "win/FixedText.h"
#include <functional>
#include <string>
#include <vector>

namespace panel {

enum SetupMessage : int {
    kMsgNoSetupFiles = 65,
    kMsgCannotReadSetup = 67,
    kMsgCannotOpenSetup = 69,
    kMsgSetupMissing = 70,
    kMsgCannotDeleteSetup = 71,
    kMsgEraseProtected = 72,
    kMsgCannotWriteSetup = 73,
};

inline constexpr int kMaxDescription = quorvi::kDescriptionSize - 1;

using Reporter = std::function<void(int message)>;

struct SetupList {
    std::vector<std::string> names;
    std::vector<std::string> descriptions;
    int current = -1;
    bool loaded = false;   // the record's file was not listed: the first was loaded
};

class SetupFiles {
public:
    explicit SetupFiles(Reporter report) : report_(std::move(report)) {}

    // Lists the setups in the order the directory gives them. When the
    // record's file is among them its description is refreshed from the
    // file; when it is not, the first setup is loaded and listed again.
    SetupList List(quorvi::SettingsRecord& record, int boardCount);

    // Reads the named setup into the record. A file that cannot be read
    // whole leaves the record as it was.
    bool Load(quorvi::SettingsRecord& record, const std::string& name, int boardCount);

    // Writes the record to its own file and keeps the file's time.
    bool SaveCurrent(quorvi::SettingsRecord& record);

    // Writes the record to a file the user chose (any directory) under the
    // description "Copy of ...". The record then names that file.
    bool SaveCopy(quorvi::SettingsRecord& record, const std::string& path);

    bool ChangeProperties(quorvi::SettingsRecord& record, const std::string& description,
                          bool eraseProtect);

    // confirm() is asked only when the file may be deleted.
    bool DeleteCurrent(quorvi::SettingsRecord& record, const std::function<bool()>& confirm);

private:
    bool Save(const char* path, quorvi::SettingsRecord& record);
    SetupList Enumerate(quorvi::SettingsRecord& record);

    Reporter report_;
};

// The master board is one of the boards present; a stored record (a file,
// the registry) may name any number.
void LimitMasterBoard(quorvi::SettingsRecord& record, int boardCount);

using win::BoundedString;
using win::CopyBounded;

}  // namespace panel
