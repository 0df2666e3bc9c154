#pragma once
// Putting files in place and taking them away, also while programs hold them.
#include <string>

#include "Journal.h"
#include "RebootQueue.h"

namespace setup {

bool FileExists(const std::string& path);

// Copies `source` over `target`, undoably. An existing target is moved
// aside first, since Windows NT lets a program or DLL in use be renamed but
// not overwritten; the old file goes at commit, or at the next restart while
// something still runs it. Where even the rename is refused (Windows 9x),
// the new file waits beside it and takes its place at the next restart.
void PlaceFile(const std::string& source, const std::string& target, Journal& journal,
               RebootQueue& reboot, const Report& report);

// Makes a folder that is missing, undoably.
void EnsureFolder(const std::string& path, Journal& journal);

// Deletes a file; one in use is moved aside or, failing that, left for the
// next restart to delete. An empty text when it is gone or will be, else why
// not.
std::string RemoveFile(const std::string& path, RebootQueue& reboot, const Report& report);

}  // namespace setup
