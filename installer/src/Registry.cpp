#include "Registry.h"

#include <vector>

#include "Texts.h"
#include "resource.h"
#include "win/RegKey.h"
#include "win/SystemError.h"

namespace setup {

namespace {

std::string RegistryFailure(HKEY root, const std::string& path, const std::string& name, LONG error) {
    const std::string what = name.empty() ? KeyName(root, path) : KeyName(root, path) + "\\" + name;
    return Text(IDS_REGISTRY_FAILED, {what, win::SystemErrorText(static_cast<DWORD>(error))});
}

std::string PutBack(HKEY root, const std::string& path, LONG error) {
    return Text(IDS_NOT_PUT_BACK, {KeyName(root, path), win::SystemErrorText(static_cast<DWORD>(error))});
}

}  // namespace

std::string KeyName(HKEY root, const std::string& path) {
    const char* rootName = root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE"
                           : root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER"
                           : root == HKEY_CLASSES_ROOT ? "HKEY_CLASSES_ROOT"
                                                       : "HKEY_USERS";
    return std::string(rootName) + "\\" + path;
}

bool KeyExists(HKEY root, const std::string& path) {
    return win::RegKey::Open(root, path.c_str(), KEY_READ).valid();
}

bool KeyIsEmpty(HKEY root, const std::string& path) {
    win::RegKey key = win::RegKey::Open(root, path.c_str(), KEY_READ);
    DWORD subkeys = 0, values = 0;
    return key && RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

bool DeleteKeyTree(HKEY root, const std::string& path) {
    if (path.empty()) return false;
    {
        win::RegKey key = win::RegKey::Open(root, path.c_str(), KEY_READ);
        if (!key) return !KeyExists(root, path);
        std::vector<std::string> subkeys;
        char name[256];
        for (DWORD i = 0;; ++i) {
            DWORD size = sizeof name;
            if (RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            subkeys.emplace_back(name, size);
        }
        for (const std::string& subkey : subkeys) DeleteKeyTree(root, path + "\\" + subkey);
    }
    RegDeleteKeyA(root, path.c_str());
    return !KeyExists(root, path);
}

void RegistryEdit::SetString(HKEY root, const std::string& path, const std::string& name,
                             const std::string& value) {
    Set(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistryEdit::SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    Set(root, path, name, REG_DWORD, &value, sizeof value);
}

void RegistryEdit::Set(HKEY root, const std::string& path, const std::string& name, DWORD type,
                       const void* data, DWORD size) {
    win::RegKey key = OpenForChange(root, path);
    Remember(key.get(), root, path, name);
    const LONG error = RegSetValueExA(key.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                                      static_cast<const BYTE*>(data), size);
    if (error != ERROR_SUCCESS) throw StepFailure(RegistryFailure(root, path, name, error));
}

void RegistryEdit::DeleteValue(HKEY root, const std::string& path, const std::string& name) {
    win::RegKey key = win::RegKey::Open(root, path.c_str(), KEY_READ | KEY_WRITE);
    if (!key.hasValue(name.c_str())) return;
    Remember(key.get(), root, path, name);
    if (!key.deleteValue(name.c_str())) throw StepFailure(RegistryFailure(root, path, name, key.lastError()));
}

win::RegKey RegistryEdit::OpenForChange(HKEY root, const std::string& path) {
    std::string top;
    for (size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
        const std::string prefix = path.substr(0, end);
        if (!KeyExists(root, prefix)) {
            top = prefix;
            break;
        }
        if (end == std::string::npos) break;
    }
    win::RegKey key = win::RegKey::Create(root, path.c_str(), KEY_READ | KEY_WRITE);
    if (!key) throw StepFailure(RegistryFailure(root, path, "", key.lastError()));
    if (!top.empty()) {
        journal_.Done([root, top] {
            return DeleteKeyTree(root, top) ? std::string() : Text(IDS_KEY_NOT_REMOVED, {KeyName(root, top)});
        });
    }
    return key;
}

void RegistryEdit::Remember(HKEY key, HKEY root, const std::string& path, const std::string& name) {
    DWORD type = REG_NONE, size = 0;
    const char* value = name.empty() ? nullptr : name.c_str();
    std::vector<BYTE> data;
    bool existed = RegQueryValueExA(key, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (existed) {
        data.resize(size);
        existed = RegQueryValueExA(key, value, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    journal_.Done([root, path, name, existed, type, data] {
        win::RegKey k = win::RegKey::Open(root, path.c_str(), KEY_WRITE);
        // A key that was made by this installation is gone again already.
        if (!k) return std::string();
        const char* v = name.empty() ? nullptr : name.c_str();
        const LONG error = existed
                               ? RegSetValueExA(k.get(), v, 0, type, data.data(), static_cast<DWORD>(data.size()))
                               : RegDeleteValueA(k.get(), v);
        return error == ERROR_SUCCESS || (!existed && error == ERROR_FILE_NOT_FOUND) ? std::string()
                                                                                     : PutBack(root, path, error);
    });
}

}  // namespace setup
