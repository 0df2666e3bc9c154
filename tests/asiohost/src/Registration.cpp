#include "asiohost/Registration.h"

namespace asiohost {

namespace {

std::string ClsidText(const CLSID& clsid) {
    wchar_t wide[64] = {};
    StringFromGUID2(clsid, wide, 64);
    char text[64] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

bool SetString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG set = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

}  // namespace

std::string ClassKey(const CLSID& clsid) { return "CLSID\\" + ClsidText(clsid); }

std::string ListKey(const std::string& name) { return "SOFTWARE\\ASIO\\" + name; }

bool Register(const DriverEntry& e) {
    const std::string server = ClassKey(e.clsid) + "\\InprocServer32";
    return SetString(HKEY_CLASSES_ROOT, ClassKey(e.clsid), nullptr, e.name) &&
           SetString(HKEY_CLASSES_ROOT, server, nullptr, e.path) &&
           SetString(HKEY_CLASSES_ROOT, server, "ThreadingModel", "Both") &&
           SetString(HKEY_LOCAL_MACHINE, ListKey(e.name), "CLSID", ClsidText(e.clsid)) &&
           SetString(HKEY_LOCAL_MACHINE, ListKey(e.name), "Description", e.name);
}

}  // namespace asiohost
