#pragma once
// File changes that only a restart can make, for files in use. Windows NT
// keeps them in the session manager's list (MoveFileEx); Windows 9x has no
// such call and takes them from the [rename] section of WININIT.INI.
#include <string>
#include <vector>

namespace setup {

class RebootQueue {
public:
    explicit RebootQueue(bool windowsNT) : windowsNT_(windowsNT) {}

    // False, with the system's error, when it cannot be arranged.
    bool Delete(const std::string& path);
    bool Replace(const std::string& from, const std::string& to);
    bool needed() const { return needed_; }

private:
    bool Add9x(const std::string& to, const std::string& from);
    bool windowsNT_;
    bool needed_ = false;
};

// WININIT.INI text with `lines` ("TARGET=SOURCE", "NUL=FILE") added at the end
// of its [rename] section, which is made when missing. Windows 9x reads the
// section line by line, so duplicate targets stay as they are.
std::string WithRenameLines(const std::string& ini, const std::vector<std::string>& lines);

}  // namespace setup
