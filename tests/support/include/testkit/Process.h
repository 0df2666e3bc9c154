#pragma once
#include <windows.h>
#include <string>

namespace testkit {

// Another Wine program started by a test. Whatever is still running when the
// object goes is terminated, so a test never leaves a process behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with the command-line arguments `args`. False when it
    // could not be started (or one is already running in this object).
    bool Start(const std::string& program, const std::string& args = std::string());
    // True when the program has ended within the time.
    bool Wait(DWORD timeoutMs);
    // The exit code, or STILL_ACTIVE while running.
    DWORD ExitCode() const;
    void Terminate();
    DWORD Id() const { return id_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

struct RunResult {
    bool started = false;
    bool finished = false;  // false: it ran out of time and was terminated
    DWORD exitCode = 0;
};

// Runs a program to its end, waiting at most the time given.
RunResult RunProgram(const std::string& program, const std::string& args = std::string(),
                     DWORD timeoutMs = 30000);

// The folder of the running test program, where the helper programs built
// beside it are.
std::string ProgramDirectory();

}  // namespace testkit
