#include "Files.h"

#include <windows.h>

#include "Texts.h"
#include "resource.h"

namespace setup {

namespace {

// A name beside `path` that nothing uses yet.
std::string FreeName(const std::string& path, const char* suffix) {
    std::string name = path + suffix;
    for (int n = 2; FileExists(name); ++n) name = path + suffix + std::to_string(n);
    return name;
}

std::string PutBack(const std::string& what) { return Text(IDS_NOT_PUT_BACK, {what, LastErrorText()}); }

}  // namespace

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void PlaceFile(const std::string& source, const std::string& target, Journal& journal, RebootQueue& reboot,
               const Report& report) {
    const std::string staged = FreeName(target, ".new");
    if (!CopyFileA(source.c_str(), staged.c_str(), FALSE))
        throw StepFailure(Text(IDS_COPY_FAILED, {source, target, LastErrorText()}));
    journal.Done([staged] {
        // Gone already when it was moved into place.
        return DeleteFileA(staged.c_str()) || !FileExists(staged) ? std::string() : PutBack(staged);
    });

    if (FileExists(target)) {
        const std::string aside = FreeName(target, ".old");
        if (!MoveFileA(target.c_str(), aside.c_str())) {
            const DWORD error = GetLastError();
            if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
                throw StepFailure(Text(IDS_MOVE_FAILED, {target, LastErrorText()}));
            // In use where Windows refuses even a rename: only a restart can
            // replace it, and that is arranged once nothing is to be undone.
            journal.OnCommit([staged, target, &reboot, report] {
                if (!reboot.Replace(staged, target)) return Text(IDS_MOVE_FAILED, {target, LastErrorText()});
                report(Text(IDS_AT_RESTART, {target}));
                return std::string();
            });
            return;
        }
        journal.Done([target, aside] {
            DeleteFileA(target.c_str());
            return MoveFileA(aside.c_str(), target.c_str()) ? std::string() : PutBack(target);
        });
        // The old file, still run by some program, goes with the restart.
        journal.OnCommit([aside, &reboot] {
            if (DeleteFileA(aside.c_str()) || reboot.Delete(aside)) return std::string();
            return Text(IDS_REMOVE_FAILED, {aside, LastErrorText()});
        });
    }
    if (!MoveFileA(staged.c_str(), target.c_str()))
        throw StepFailure(Text(IDS_MOVE_FAILED, {target, LastErrorText()}));
    journal.Done([target] {
        return DeleteFileA(target.c_str()) || !FileExists(target) ? std::string() : PutBack(target);
    });
    report(Text(IDS_INSTALLED, {target}));
}

void EnsureFolder(const std::string& path, Journal& journal) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    if (!CreateDirectoryA(path.c_str(), nullptr)) throw StepFailure(Text(IDS_FOLDER_FAILED, {path, LastErrorText()}));
    journal.Done([path] { return RemoveDirectoryA(path.c_str()) ? std::string() : PutBack(path); });
}

std::string RemoveFile(const std::string& path, RebootQueue& reboot, const Report& report) {
    if (!FileExists(path)) return {};
    if (DeleteFileA(path.c_str())) {
        report(Text(IDS_REMOVED, {path}));
        return {};
    }
    const DWORD error = GetLastError();
    // In use: the name is free at once when the file can be renamed.
    const std::string aside = FreeName(path, ".old");
    const bool moved = MoveFileA(path.c_str(), aside.c_str());
    if (reboot.Delete(moved ? aside : path)) {
        report(Text(IDS_REMOVED_AT_RESTART, {path}));
        return {};
    }
    SetLastError(error);
    return Text(IDS_REMOVE_FAILED, {path, LastErrorText()});
}

}  // namespace setup

