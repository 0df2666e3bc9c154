#include "vboard/QuorvisimProcess.h"

#include "vboard/Control.h"

namespace vboard {

QuorvisimProcess::QuorvisimProcess(const std::string& exe, const std::string& arguments) {
    std::string command = "\"" + exe + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
}

QuorvisimProcess::~QuorvisimProcess() {
    if (!started_) return;
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hProcess);
    CloseHandle(pi_.hThread);
}

bool QuorvisimProcess::waitServing(DWORD ms) const {
    DWORD start = GetTickCount();
    std::string reply;
    while (started_ && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        if (ControlClient{}.command("state", reply)) return true;
        if (GetTickCount() - start > ms) break;
        Sleep(20);
    }
    return false;
}

DWORD QuorvisimProcess::waitExit(DWORD ms) const {
    DWORD code = STILL_ACTIVE;
    if (!started_) return code;
    WaitForSingleObject(pi_.hProcess, ms);
    GetExitCodeProcess(pi_.hProcess, &code);
    return code;
}

std::string FindQuorvisim(const std::string& program) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    dir.resize(dir.find_last_of('\\') + 1);
    for (const std::string& candidate : {program, "..\\vboard\\" + program}) {
        std::string full = dir + candidate;
        if (GetFileAttributesA(full.c_str()) != INVALID_FILE_ATTRIBUTES) return full;
    }
    return dir + program;
}

}  // namespace vboard
