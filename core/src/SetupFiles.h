#pragma once
// Setup files: one settings record per file in the system directory.
#include <cstddef>
#include <optional>
#include <string>

#include "quorvi/QuorviCore.h"

namespace quorvi {

// A bare file name, terminated within its field: no drive, no directory
// separator, no "..", no device name. Only such names are joined to the
// system directory.
bool IsPlainFileName(const char* name, std::size_t fieldSize);

// The system directory joined with a plain file name.
std::optional<std::string> SetupPath(const char* name, std::size_t fieldSize);

bool SameFileName(const std::string& a, const std::string& b);

// Reads a whole record; out changes only when all of it was read.
SetupFileResult ReadRecordFile(const std::string& path, SettingsRecord& out);
// Writes the record from the file's start (created if missing, never
// truncated).
SetupFileResult WriteRecordFile(const std::string& path, const SettingsRecord& record);

// The factory file name of the string table.
std::string FactoryFileName();

// Makes the record's fileName safe to write through: a name from a file that
// is not a plain file name becomes the factory file name, and the user is
// told the first time this happens.
void SanitizeFileName(SettingsRecord& record);

}  // namespace quorvi
