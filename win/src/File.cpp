#include "win/File.h"

namespace win {

File File::Open(const char* path, DWORD access, DWORD share, DWORD disposition,
                DWORD flags) {
    HANDLE h = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
    DWORD error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    return File(h, error);
}

namespace {

// Another program holds a shared file only for one read or write of it.
const DWORD kSharingWaitMs = 1000;
const DWORD kSharingRetryMs = 10;

}  // namespace

File File::OpenWaiting(const char* path, DWORD access, DWORD share, DWORD disposition) {
    const DWORD start = GetTickCount();
    for (;;) {
        File file = Open(path, access, share, disposition);
        if (file || file.lastError() != ERROR_SHARING_VIOLATION || GetTickCount() - start >= kSharingWaitMs)
            return file;
        Sleep(kSharingRetryMs);
    }
}

File File::OpenRead(const char* path) {
    return OpenWaiting(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

File File::OpenWrite(const char* path) {
    return OpenWaiting(path, GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_ALWAYS);
}

bool File::readExact(void* out, DWORD size) {
    DWORD done = 0;
    if (!ReadFile(h_.get(), out, size, &done, nullptr)) {
        error_ = GetLastError();
        return false;
    }
    if (done != size) {
        error_ = ERROR_HANDLE_EOF;
        return false;
    }
    return true;
}

bool File::writeAll(const void* data, DWORD size) {
    DWORD done = 0;
    if (!WriteFile(h_.get(), data, size, &done, nullptr)) {
        error_ = GetLastError();
        return false;
    }
    if (done != size) {
        error_ = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

bool File::seek(LONG offset, DWORD method) {
    SetLastError(NO_ERROR);  // INVALID_SET_FILE_POINTER is also a valid offset
    if (SetFilePointer(h_.get(), offset, nullptr, method) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR) {
        error_ = GetLastError();
        return false;
    }
    return true;
}

std::optional<DWORD> File::size() const {
    DWORD high = 0;
    SetLastError(NO_ERROR);  // INVALID_FILE_SIZE is also a valid low part
    DWORD low = GetFileSize(h_.get(), &high);
    if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0)
        return std::nullopt;
    return low;
}

std::optional<FILETIME> File::lastWriteTime() const {
    FILETIME written{};
    if (!GetFileTime(h_.get(), nullptr, nullptr, &written)) return std::nullopt;
    return written;
}

std::string SystemDirectoryPath(std::string_view name) {
    char dir[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryA(dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string path(dir, length);
    if (path.back() != '\\') path += '\\';
    path += name;
    return path;
}

}  // namespace win
