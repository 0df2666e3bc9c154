#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <vector>

namespace testkit {

struct RegKey {
    HKEY root;
    std::string path;  // below root, for example "Software\\Quelmar"
};

// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE "Software\\Quelmar": where the
// product keeps its settings.
std::vector<RegKey> QuelmarKeys();

// Deletes the given keys, with everything below them, when it is made and
// again when it goes, so a test starts from and leaves a registry without them.
// Nothing is saved or restored: the test prefix belongs to the tests.
class RegistrySandbox {
public:
    explicit RegistrySandbox(std::vector<RegKey> keys = QuelmarKeys());
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

private:
    void Clear() const;
    std::vector<RegKey> keys_;
};

// Deletes a key and its subkeys; true when the key is absent afterwards.
// Refuses (and fails the test) a path of fewer than two levels, so a slip
// cannot wipe "Software" or "CLSID" as a whole. Keys of HKEY_CLASSES_ROOT are
// deleted from both the per-user and the machine-wide class store.
bool DeleteRegTree(HKEY root, const std::string& path);
bool RegKeyExists(HKEY root, const std::string& path);

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<RegValue> ReadRegValue(HKEY root, const std::string& path, const std::string& name);
// A REG_SZ value without its terminator, or nothing when absent or of another type.
std::optional<std::string> ReadRegString(HKEY root, const std::string& path, const std::string& name);
// A REG_DWORD value, or nothing when absent or of another type or size.
std::optional<DWORD> ReadRegDword(HKEY root, const std::string& path, const std::string& name);

// Creates the key if needed. True on success.
bool WriteRegValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                   const void* data, DWORD size);
bool WriteRegString(HKEY root, const std::string& path, const std::string& name, const std::string& value);
bool WriteRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value);

// What Wine's own reg tool reads back for one value, as another program would
// see it: "NAME|TYPE|DATA" (for example "Current|REG_SZ|a.ssf"), or "" when
// the tool finds no such value.
std::string RegQuery(const std::string& key, const std::string& name);

// Makes Wine report another Windows version ("win98", "nt40", "winxp"...) to
// one program, named by its file name, for the object's life: the way
// Windows 9x behaviour is tested. The child processes started meanwhile see it.
class WindowsVersionSetting {
public:
    WindowsVersionSetting(const std::string& program, const std::string& version);
    ~WindowsVersionSetting();
    WindowsVersionSetting(const WindowsVersionSetting&) = delete;
    WindowsVersionSetting& operator=(const WindowsVersionSetting&) = delete;

private:
    std::string key_;
};

}  // namespace testkit
