#include "asiohost/Registration.h"

#include "win/RegKey.h"

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
    return win::RegKey::Create(root, path.c_str(), KEY_WRITE).setString(name, value);
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
