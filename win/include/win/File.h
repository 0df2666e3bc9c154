#pragma once
#include "win/Handle.h"
#include <windows.h>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// A disk file opened with CreateFileA and closed on every path. Device names
// are opened through the device-access functions instead, never here.
class File {
public:
    File() = default;

    static File Open(const char* path, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL);
    // Shared read of a file that must exist. Like OpenWrite, it waits a
    // moment for another program's write (or read) in progress, whose share
    // mode keeps it out until that is done.
    static File OpenRead(const char* path);
    // Shared write, created when missing, never truncated: a shorter record
    // written over a longer file leaves the tail in place.
    static File OpenWrite(const char* path);

    bool valid() const { return h_.valid(); }
    explicit operator bool() const { return valid(); }
    HANDLE get() const { return h_.get(); }
    DWORD lastError() const { return error_; }
    void close() { h_.reset(); }

    // True only when all size bytes were transferred.
    bool readExact(void* out, DWORD size);
    bool writeAll(const void* data, DWORD size);
    bool seek(LONG offset, DWORD method = FILE_BEGIN);
    std::optional<DWORD> size() const;
    std::optional<FILETIME> lastWriteTime() const;

private:
    File(HANDLE h, DWORD error) : h_(h), error_(error) {}
    static File OpenWaiting(const char* path, DWORD access, DWORD share, DWORD disposition);
    Handle h_;
    DWORD error_ = ERROR_SUCCESS;
};

// The Windows system directory joined with a file name: where setup files live.
std::string SystemDirectoryPath(std::string_view name);

}  // namespace win
