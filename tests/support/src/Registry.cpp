#include "testkit/Registry.h"
#include "testkit/Process.h"
#include "testkit/SystemDir.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace testkit {
namespace {

class Key {
public:
    Key(HKEY root, const std::string& path, REGSAM access) {
        if (RegOpenKeyExA(root, path.c_str(), 0, access, &h_) != ERROR_SUCCESS) h_ = nullptr;
    }
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

size_t PathDepth(const std::string& path) {
    size_t depth = 0;
    bool inName = false;
    for (char c : path) {
        bool sep = c == '\\' || c == '/';
        if (!sep && !inName) ++depth;
        inName = !sep;
    }
    return depth;
}

LONG DeleteTree(HKEY parent, const std::string& path) {
    LONG rc;
    {
        Key key(parent, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE);
        if (!key.get()) {
            return RegKeyExists(parent, path) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
        }
        // Always take the first subkey: the list shrinks as we delete, and any
        // failure returns before the next round, so this cannot loop forever.
        for (;;) {
            char name[256];
            DWORD len = sizeof name;
            rc = RegEnumKeyExA(key.get(), 0, name, &len, nullptr, nullptr, nullptr, nullptr);
            if (rc == ERROR_NO_MORE_ITEMS) break;
            if (rc != ERROR_SUCCESS) return rc;
            rc = DeleteTree(key.get(), name);
            if (rc != ERROR_SUCCESS) return rc;
        }
    }
    rc = RegDeleteKeyA(parent, path.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

}  // namespace

std::vector<RegKey> QuelmarKeys() {
    return {{HKEY_CURRENT_USER, "Software\\Quelmar"}, {HKEY_LOCAL_MACHINE, "Software\\Quelmar"}};
}

RegistrySandbox::RegistrySandbox(std::vector<RegKey> keys) : keys_(std::move(keys)) { Clear(); }

RegistrySandbox::~RegistrySandbox() { Clear(); }

void RegistrySandbox::Clear() const {
    for (const RegKey& k : keys_) {
        EXPECT_TRUE(DeleteRegTree(k.root, k.path)) << "registry sandbox could not delete " << k.path;
    }
}

bool DeleteRegTree(HKEY root, const std::string& path) {
    if (PathDepth(path) < 2) {
        ADD_FAILURE() << "refusing to delete the registry key \"" << path << "\": too near the root";
        return false;
    }
    if (root == HKEY_CLASSES_ROOT) {
        return DeleteRegTree(HKEY_CURRENT_USER, "Software\\Classes\\" + path) &&
               DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + path) &&
               !RegKeyExists(root, path);
    }
    return DeleteTree(root, path) == ERROR_SUCCESS && !RegKeyExists(root, path);
}

bool RegKeyExists(HKEY root, const std::string& path) {
    return Key(root, path, KEY_QUERY_VALUE).get() != nullptr;
}

std::optional<RegValue> ReadRegValue(HKEY root, const std::string& path, const std::string& name) {
    Key key(root, path, KEY_QUERY_VALUE);
    if (!key.get()) return std::nullopt;
    RegValue v;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    v.data.resize(size);
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &v.type, v.data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    v.data.resize(std::min<size_t>(size, v.data.size()));
    return v;
}

std::optional<std::string> ReadRegString(HKEY root, const std::string& path, const std::string& name) {
    auto v = ReadRegValue(root, path, name);
    if (!v || v->type != REG_SZ) return std::nullopt;
    std::string s(v->data.begin(), v->data.end());
    s.resize(std::min(s.size(), s.find('\0')));
    return s;
}

std::optional<DWORD> ReadRegDword(HKEY root, const std::string& path, const std::string& name) {
    auto v = ReadRegValue(root, path, name);
    if (!v || v->type != REG_DWORD || v->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD d;
    memcpy(&d, v->data.data(), sizeof d);
    return d;
}

bool WriteRegValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                   const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool WriteRegString(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
    return WriteRegValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool WriteRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    return WriteRegValue(root, path, name, REG_DWORD, &value, sizeof value);
}

WindowsVersionSetting::WindowsVersionSetting(const std::string& program, const std::string& version)
    : key_("Software\\Wine\\AppDefaults\\" + program) {
    EXPECT_TRUE(WriteRegString(HKEY_CURRENT_USER, key_, "Version", version))
        << "could not set the Windows version of " << program;
}

WindowsVersionSetting::~WindowsVersionSetting() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, "Version");
    RegCloseKey(key);
}

std::string RegQuery(const std::string& key, const std::string& name) {
    const std::string file = "regquery.txt";
    RunResult run = RunProgram(SystemFilePath("cmd.exe"),
                               "/c reg query \"" + key + "\" /v " + name + " > \"" + SystemFilePath(file) + "\"");
    EXPECT_TRUE(run.finished);
    auto bytes = ReadSystemFile(file);
    DeleteFileA(SystemFilePath(file).c_str());
    std::string text = bytes ? std::string(bytes->begin(), bytes->end()) : "";
    size_t at = text.find(name + " ");
    if (at == std::string::npos) return "";
    std::string line = text.substr(at, text.find_first_of("\r\n", at) - at);
    // The tool separates the fields with runs of blanks.
    std::string fields;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ' && (fields.empty() || fields.back() == '|')) continue;
        if (line[i] == ' ' && i + 1 < line.size() && line[i + 1] == ' ') {
            fields += '|';
            continue;
        }
        fields += line[i];
    }
    return fields;
}

}  // namespace testkit
