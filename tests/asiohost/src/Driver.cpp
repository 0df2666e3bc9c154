#include "asiohost/Driver.h"


namespace asiohost {

namespace {

constexpr const char* kAsioList = "SOFTWARE\\ASIO";

}  // namespace

std::vector<std::string> ListedDrivers() {
    std::vector<std::string> names;
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAsioList, 0, KEY_READ, &list) != ERROR_SUCCESS) return names;
    char name[MAX_PATH];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    RegCloseKey(list);
    return names;
}

std::optional<CLSID> ListedClass(const std::string& name) {
    const std::string path = std::string(kAsioList) + "\\" + name;
    char text[64] = {};
    DWORD size = sizeof text - 1, type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    const LONG read = RegQueryValueExA(key, "CLSID", nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    wchar_t wide[64] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 63);
    CLSID clsid;
    if (FAILED(CLSIDFromString(wide, &clsid))) return std::nullopt;
    return clsid;
}

Driver* Driver::Create(const CLSID& clsid, HRESULT* result) {
    void* object = nullptr;
    const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, clsid, &object);
    if (result) *result = hr;
    return SUCCEEDED(hr) && object ? new Driver(object) : nullptr;
}

ULONG Driver::release() {
    if (!self_) return 0;
    const ULONG left = methods_->Release(self_);
    self_ = nullptr;
    return left;
}

std::string Driver::driverName() {
    char name[kAsioDriverNameSize] = {};
    call(methods_->getDriverName, name);
    return std::string(name, strnlen(name, sizeof name));
}

std::string Driver::errorMessage() {
    char text[kAsioErrorMessageSize] = {};
    call(methods_->getErrorMessage, text);
    return std::string(text, strnlen(text, sizeof text));
}

}  // namespace asiohost
