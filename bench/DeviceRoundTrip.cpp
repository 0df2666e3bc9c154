// Round trip of QUORVI_GET_STATUS through the device-access functions to
// quorvisim.exe in another process, beside a bare message-pipe echo between
// two processes for comparison (this program started again as the echo).
//   bench_device_roundtrip [requests]   (default 10000)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Boards.h"
#include "bench/Execution.h"
#include "bench/Timing.h"
#include "quorvi/DriverRequests.h"
#include "vboard/Control.h"
#include "win/Device.h"

namespace {

const char kEchoPipe[] = "\\\\.\\pipe\\quorvi-bench-echo";

// Answers each message with itself until the client goes.
int EchoServer() {
    HANDLE pipe = CreateNamedPipeA(kEchoPipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   1, 65536, 65536, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE || (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED))
        return 1;
    std::uint8_t buffer[4096];
    DWORD got = 0, written = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && WriteFile(pipe, buffer, got, &written, nullptr)) {
    }
    CloseHandle(pipe);
    return 0;
}

std::vector<double> EchoRoundTrips(int count) {
    std::vector<double> times;
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --echo-server";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return times;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int i = 0; i < 500 && pipe == INVALID_HANDLE_VALUE; ++i) {
        pipe = CreateFileA(kEchoPipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) Sleep(20);
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (pipe != INVALID_HANDLE_VALUE && SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr)) {
        std::uint8_t request[20] = {}, reply[200];
        LARGE_INTEGER a, b;
        for (int i = 0; i < count + 200; ++i) {
            DWORD got = 0;
            QueryPerformanceCounter(&a);
            BOOL ok = TransactNamedPipe(pipe, request, sizeof request, reply, sizeof reply, &got, nullptr);
            QueryPerformanceCounter(&b);
            if (!ok) break;
            if (i >= 200) times.push_back(bench::Microseconds(b.QuadPart - a.QuadPart));
        }
    }
    if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--echo-server") return EchoServer();
    bench::PrintExecution();
    int requests = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;
    bench::Boards boards("--boards 2 --signal 0 all decay 4000000 500");
    if (!boards.serving()) return 1;
    LARGE_INTEGER a, b;

    win::Device device(quorvi::kDeviceNameNT, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       OPEN_EXISTING, 0);
    if (!device) {
        std::fprintf(stderr, "bench: cannot open the board: %lu\n", GetLastError());
        return 1;
    }
    std::uint8_t status[quorvi::kStatusBlockSize];
    std::vector<double> times;
    times.reserve(requests);
    for (int i = 0; i < requests + 200; ++i) {
        std::uint32_t board = i & 1;
        QueryPerformanceCounter(&a);
        BOOL ok = device.control(quorvi::QUORVI_GET_STATUS, &board, 4, status, sizeof status);
        QueryPerformanceCounter(&b);
        if (!ok) {
            std::fprintf(stderr, "bench: request failed: %lu\n", GetLastError());
            return 1;
        }
        if (i >= 200) times.push_back(bench::Microseconds(b.QuadPart - a.QuadPart));  // after a warm-up
    }
    bench::Print("QUORVI_GET_STATUS via win::DeviceControl", times);

    times = EchoRoundTrips(requests);
    if (!times.empty()) bench::Print("bare message-pipe echo, two processes", times);

    return 0;
}
