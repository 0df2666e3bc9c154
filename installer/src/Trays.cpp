#include "Trays.h"

#include <vector>

#include "win/Handle.h"
#include "win/RegisteredMessage.h"

namespace setup {

namespace {

// By name rather than by the number a tray stores for other programs: that
// number can be left from an earlier session (a tray that found no boards
// does not store it), and then belongs to some other program's message.
const win::RegisteredMessage shutdownTray("QUORVI SHUTDOWN");

constexpr const char* kTrayTitle = "QUORVI Tray Controller";
constexpr DWORD kPollMs = 50;

BOOL CALLBACK CollectTray(HWND hwnd, LPARAM frames) {
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (lstrcmpA(title, kTrayTitle) == 0) reinterpret_cast<std::vector<HWND>*>(frames)->push_back(hwnd);
    return TRUE;
}

// Found by their titles rather than asked: asking with "START QUORVI TRAY",
// as trays count each other, would make a tray that is starting at that
// moment count one too many and end.
std::vector<HWND> TrayFrames() {
    std::vector<HWND> frames;
    EnumWindows(CollectTray, reinterpret_cast<LPARAM>(&frames));
    return frames;
}

// Serves messages to this thread's windows meanwhile.
void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

}  // namespace

int CountRunningTrays() { return static_cast<int>(TrayFrames().size()); }

bool CloseTrays(DWORD timeoutMs) {
    const std::vector<HWND> frames = TrayFrames();
    if (frames.empty()) return true;
    // Their files are free only once the processes have ended.
    std::vector<win::Handle> processes;
    for (HWND frame : frames) {
        DWORD id = 0;
        GetWindowThreadProcessId(frame, &id);
        if (id != 0 && id != GetCurrentProcessId()) processes.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, id));
    }
    shutdownTray.Post();
    const DWORD start = GetTickCount();
    for (;;) {
        bool ended = TrayFrames().empty();
        for (const win::Handle& process : processes)
            ended = ended && (!process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0);
        if (ended) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        PumpFor(kPollMs);
    }
}

bool StartTray(const std::string& trayProgram) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string commandLine = "\"" + trayProgram + "\"";
    // In its own folder: the setup's temporary folder, where this runs, goes
    // when the setup ends, and a program working in it would keep it.
    const std::string folder = trayProgram.substr(0, trayProgram.find_last_of('\\'));
    if (!CreateProcessA(trayProgram.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace setup
