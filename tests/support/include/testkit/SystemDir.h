#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testkit {

// Deletes the named files of the real system directory (GetSystemDirectoryA)
// when it is made and again when it goes. A name may hold * and ? ("*.ssf").
// Names with a path, and wildcards over program files (*.dll, *.exe...), are
// refused and fail the test: they would break the Wine prefix.
class SystemDirSandbox {
public:
    explicit SystemDirSandbox(std::vector<std::string> names);
    ~SystemDirSandbox();
    SystemDirSandbox(const SystemDirSandbox&) = delete;
    SystemDirSandbox& operator=(const SystemDirSandbox&) = delete;

private:
    void Clear() const;
    std::vector<std::string> names_;
};

std::string SystemDirectory();
std::string SystemFilePath(const std::string& name);
bool SystemFileExists(const std::string& name);
// Names of the files in the system directory that match the pattern, sorted.
std::vector<std::string> ListSystemFiles(const std::string& pattern);
bool WriteSystemFile(const std::string& name, const std::vector<uint8_t>& bytes);
bool WriteSystemFile(const std::string& name, const std::string& text);
std::optional<std::vector<uint8_t>> ReadSystemFile(const std::string& name);

// Case-insensitive match of a whole name against * and ? wildcards.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace testkit
