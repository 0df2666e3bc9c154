#include "testkit/Process.h"
#include <vector>

namespace testkit {

ChildProcess::~ChildProcess() {
    Terminate();
}

bool ChildProcess::Start(const std::string& program, const std::string& args) {
    if (process_) return false;
    std::string line = "\"" + program + "\"";
    if (!args.empty()) line += " " + args;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    id_ = pi.dwProcessId;
    return true;
}

bool ChildProcess::Wait(DWORD timeoutMs) {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_, &code);
    return code;
}

void ChildProcess::Terminate() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

RunResult RunProgram(const std::string& program, const std::string& args, DWORD timeoutMs) {
    RunResult result;
    ChildProcess child;
    result.started = child.Start(program, args);
    if (!result.started) return result;
    result.finished = child.Wait(timeoutMs);
    result.exitCode = child.ExitCode();
    return result;
}

std::string ProgramDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::string();
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/"));
}

}  // namespace testkit
