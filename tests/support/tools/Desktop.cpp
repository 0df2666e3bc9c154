// kit_desktop: one Wine desktop for a whole test or demo session.
// Wine starts its desktop process (explorer.exe /desktop) from the first
// program that needs a desktop, with that program's output, and ends it a
// second after the last program has left. Started so from a test or a demo
// command whose output CTest or a script reads through a pipe, it holds that
// pipe open, and the reader waits for it: for a second per test, or for good
// while a background program (the virtual boards) keeps the desktop alive.
//   kit_desktop          starts the holder below, with no output of ours,
//                        and returns once the desktop exists
//   kit_desktop --hold   uses the desktop, so that it stays, until the
//                        session's wineserver ends
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kReadyEvent[] = "kit_desktop ready";
const DWORD kStartMs = 60000;

int Hold() {
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, kReadyEvent);
    if (!GetDesktopWindow() || !ready) return 1;
    SetEvent(ready);
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}

int Start() {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, kReadyEvent);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (!ready || n == 0 || n >= sizeof path) {
        std::fprintf(stderr, "kit_desktop: cannot prepare the holder, error %lu\n", GetLastError());
        return 1;
    }
    std::string line = "\"" + std::string(path) + "\" --hold";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;  // no standard handles: nothing of ours is held open
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(path, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "kit_desktop: cannot start the holder, error %lu\n", GetLastError());
        return 1;
    }
    CloseHandle(pi.hThread);
    HANDLE both[] = {ready, pi.hProcess};
    DWORD got = WaitForMultipleObjects(2, both, FALSE, kStartMs);
    CloseHandle(pi.hProcess);
    CloseHandle(ready);
    if (got == WAIT_OBJECT_0) return 0;
    std::fprintf(stderr, "kit_desktop: %s\n", got == WAIT_OBJECT_0 + 1 ? "the holder ended without a desktop"
                                                                     : "no desktop within 60 s");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    return argc > 1 && std::strcmp(argv[1], "--hold") == 0 ? Hold() : Start();
}
