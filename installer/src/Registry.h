#pragma once
// Registry changes the journal can take back, and the removal of keys.
#include <windows.h>

#include <string>

#include "Journal.h"
#include "win/RegKey.h"

namespace setup {

// "HKEY_LOCAL_MACHINE\path", as the user reads a key's name.
std::string KeyName(HKEY root, const std::string& path);

bool KeyExists(HKEY root, const std::string& path);
// True for a key that holds neither values nor subkeys.
bool KeyIsEmpty(HKEY root, const std::string& path);
// Deletes a key with everything below it; true when it is gone. Windows NT's
// RegDeleteKey takes only empty keys, so the subkeys go first.
bool DeleteKeyTree(HKEY root, const std::string& path);

class RegistryEdit {
public:
    explicit RegistryEdit(Journal& journal) : journal_(journal) {}

    // An empty name is the key's default value.
    void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& value);
    void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
    void DeleteValue(HKEY root, const std::string& path, const std::string& name);

private:
    void Set(HKEY root, const std::string& path, const std::string& name, DWORD type, const void* data,
             DWORD size);
    // Opens the key for writing, making it and its missing parents; the
    // topmost key made goes again on rollback.
    win::RegKey OpenForChange(HKEY root, const std::string& path);
    // Notes the value as it is now, for rollback to restore.
    void Remember(HKEY key, HKEY root, const std::string& path, const std::string& name);

    Journal& journal_;
};

}  // namespace setup
