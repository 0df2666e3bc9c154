#pragma once
#include <windows.h>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win {

// Whether a REG_SZ is stored with its terminating NUL counted in its size.
// Some stored values are read by other programs that expect the size
// without it, so the writer chooses.
enum class StoredNul { Counted, NotCounted };

// Owns an open registry key. Everything read back is treated as untrusted:
// sizes and types are checked and strings are always terminated.
class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&& o) noexcept : key_(std::exchange(o.key_, nullptr)) {}
    RegKey& operator=(RegKey&& o) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() { close(); }

    // Invalid key on failure; lastError() of the returned key says why.
    static RegKey Open(HKEY root, const char* path, REGSAM access = KEY_READ);
    static RegKey Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS);

    bool valid() const { return key_ != nullptr; }
    explicit operator bool() const { return valid(); }
    HKEY get() const { return key_; }
    LONG lastError() const { return error_; }
    void close();

    // A value of exactly four bytes, whatever its declared type: installers
    // write such values as REG_DWORD or as REG_BINARY.
    std::optional<DWORD> queryDword(const char* name) const;
    DWORD dwordOr(const char* name, DWORD fallback) const;
    // REG_SZ or REG_EXPAND_SZ (not expanded) of at most maxChars characters,
    // cut at the first NUL; longer values are refused rather than cut.
    std::optional<std::string> queryString(const char* name, size_t maxChars) const;
    // REG_MULTI_SZ as a list; the final empty entries are dropped.
    std::optional<std::vector<std::string>> queryMultiString(const char* name,
                                                             size_t maxBytes) const;
    // Exactly size bytes of any type into out; out is untouched otherwise.
    bool queryBinary(const char* name, void* out, DWORD size) const;
    // Whether the value exists, whatever its type and size.
    bool hasValue(const char* name) const;

    bool setDword(const char* name, DWORD value);
    bool setString(const char* name, std::string_view value,
                   StoredNul nul = StoredNul::Counted);
    bool setMultiString(const char* name, const std::vector<std::string>& values);
    bool setBinary(const char* name, const void* data, DWORD size);
    bool deleteValue(const char* name);
    bool flush();

private:
    explicit RegKey(HKEY key, LONG error) : key_(key), error_(error) {}
    // Reads a value of at most maxBytes; nullopt when missing or larger.
    std::optional<std::vector<BYTE>> queryRaw(const char* name, DWORD maxBytes,
                                              DWORD* type) const;
    bool setRaw(const char* name, DWORD type, const void* data, DWORD size);

    HKEY key_ = nullptr;
    mutable LONG error_ = ERROR_SUCCESS;
};

}  // namespace win
