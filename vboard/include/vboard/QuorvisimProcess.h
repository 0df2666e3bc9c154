#pragma once
// Starts quorvisim.exe as a process of its own, for cross-process tests and
// benchmarks, and ends it with the object if it is still running.
#include <windows.h>

#include <string>

namespace vboard {

class QuorvisimProcess {
public:
    // `exe` is the program's path; `arguments` its command line after it.
    QuorvisimProcess(const std::string& exe, const std::string& arguments);
    ~QuorvisimProcess();
    QuorvisimProcess(const QuorvisimProcess&) = delete;
    QuorvisimProcess& operator=(const QuorvisimProcess&) = delete;

    bool started() const { return started_; }
    // Waits until the service answers its control pipe; false if the
    // process ended first or did not answer within `ms`.
    bool waitServing(DWORD ms) const;
    // Exit code, or STILL_ACTIVE when it has not ended within `ms`.
    DWORD waitExit(DWORD ms) const;

private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

// quorvisim.exe (or another program built with it) beside the running
// program, or in ..\vboard from it (the build tree's layout).
std::string FindQuorvisim(const std::string& program = "quorvisim.exe");

}  // namespace vboard
