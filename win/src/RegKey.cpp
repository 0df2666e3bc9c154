#include "win/RegKey.h"
#include <algorithm>
#include <cstring>

namespace win {

RegKey& RegKey::operator=(RegKey&& o) noexcept {
    if (this != &o) {
        close();
        key_ = std::exchange(o.key_, nullptr);
        error_ = o.error_;
    }
    return *this;
}

RegKey RegKey::Open(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path, 0, access, &key);
    return RegKey(rc == ERROR_SUCCESS ? key : nullptr, rc);
}

RegKey RegKey::Create(HKEY root, const char* path, REGSAM access) {
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &key, nullptr);
    return RegKey(rc == ERROR_SUCCESS ? key : nullptr, rc);
}

void RegKey::close() {
    if (key_) RegCloseKey(std::exchange(key_, nullptr));
}

std::optional<std::vector<BYTE>> RegKey::queryRaw(const char* name, DWORD maxBytes,
                                                  DWORD* type) const {
    if (!key_) return std::nullopt;
    // One spare byte tells a value of exactly maxBytes from a longer one on
    // systems that report ERROR_SUCCESS with a clipped size.
    std::vector<BYTE> data(maxBytes + 1);
    DWORD size = maxBytes + 1;
    error_ = RegQueryValueExA(key_, name, nullptr, type, data.data(), &size);
    if (error_ != ERROR_SUCCESS || size > maxBytes) return std::nullopt;
    data.resize(size);
    return data;
}

std::optional<DWORD> RegKey::queryDword(const char* name) const {
    DWORD type = 0;
    auto data = queryRaw(name, sizeof(DWORD), &type);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    DWORD value;
    std::memcpy(&value, data->data(), sizeof value);
    return value;
}

bool RegKey::hasValue(const char* name) const {
    if (!key_) return false;
    error_ = RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, nullptr);
    return error_ == ERROR_SUCCESS;
}

DWORD RegKey::dwordOr(const char* name, DWORD fallback) const {
    return queryDword(name).value_or(fallback);
}

std::optional<std::string> RegKey::queryString(const char* name, size_t maxChars) const {
    DWORD type = 0;
    auto data = queryRaw(name, static_cast<DWORD>(maxChars + 1), &type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    auto* chars = reinterpret_cast<const char*>(data->data());
    size_t length = strnlen(chars, data->size());
    if (length > maxChars) return std::nullopt;
    return std::string(chars, length);
}

std::optional<std::vector<std::string>> RegKey::queryMultiString(const char* name,
                                                                 size_t maxBytes) const {
    DWORD type = 0;
    auto data = queryRaw(name, static_cast<DWORD>(maxBytes), &type);
    if (!data || type != REG_MULTI_SZ) return std::nullopt;
    std::vector<std::string> values;
    auto* p = reinterpret_cast<const char*>(data->data());
    auto* end = p + data->size();
    while (p < end) {
        size_t length = strnlen(p, static_cast<size_t>(end - p));
        if (length == 0) break;  // the list ends at the first empty string
        values.emplace_back(p, length);
        p += length + 1;
    }
    return values;
}

bool RegKey::queryBinary(const char* name, void* out, DWORD size) const {
    DWORD type = 0;
    auto data = queryRaw(name, size, &type);
    if (!data || data->size() != size) return false;
    std::memcpy(out, data->data(), size);
    return true;
}

bool RegKey::setRaw(const char* name, DWORD type, const void* data, DWORD size) {
    if (!key_) return false;
    error_ = RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size);
    return error_ == ERROR_SUCCESS;
}

bool RegKey::setDword(const char* name, DWORD value) {
    return setRaw(name, REG_DWORD, &value, sizeof value);
}

bool RegKey::setString(const char* name, std::string_view value, StoredNul nul) {
    std::string text(value.substr(0, value.find('\0')));
    DWORD size = static_cast<DWORD>(text.size() + (nul == StoredNul::Counted ? 1 : 0));
    return setRaw(name, REG_SZ, text.c_str(), size);
}

bool RegKey::setMultiString(const char* name, const std::vector<std::string>& values) {
    std::string block;
    for (const auto& v : values) {
        std::string entry = v.substr(0, v.find('\0'));
        if (entry.empty()) continue;  // an empty entry would end the list early
        block += entry;
        block += '\0';
    }
    block += '\0';
    return setRaw(name, REG_MULTI_SZ, block.data(), static_cast<DWORD>(block.size()));
}

bool RegKey::setBinary(const char* name, const void* data, DWORD size) {
    return setRaw(name, REG_BINARY, data, size);
}

bool RegKey::deleteValue(const char* name) {
    if (!key_) return false;
    error_ = RegDeleteValueA(key_, name);
    return error_ == ERROR_SUCCESS;
}

bool RegKey::flush() {
    if (!key_) return false;
    error_ = RegFlushKey(key_);
    return error_ == ERROR_SUCCESS;
}

}  // namespace win
