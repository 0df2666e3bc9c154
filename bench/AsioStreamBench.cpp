// The ASIO driver streaming every channel of two virtual boards through
// quorvisim in another process, as a host sees it: switch timing, missed
// blocks, processor time per switch, and the loop-back latency measured
// against the one reported.
//   bench_asio_stream [--short]   (60 s at 256 samples and 20 s at 64; a
//                                 tenth of that with --short)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "asiohost/Driver.h"
#include "asiohost/Host.h"
#include "asiohost/Registration.h"
#include "asiohost/Session.h"
#include "quorvi/DriverClsids.h"
#include "quorvi/QuorviCore.h"
#include "vboard/Control.h"
#include "win/RegKey.h"
#include "bench/Boards.h"
#include "bench/Execution.h"

using namespace asiohost;

namespace {

std::string Directory() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// Every channel of two boards; one block of loop-back each way, as the
// virtual boards have it.
bool Configure(const std::string& dll) {
    if (!Register({quorvi::kAsioDriverClsid, quorvi::kAsioDriverName, dll})) return false;
    quorvi::ChannelMaskSet masks{};
    for (int b = 0; b < 2; ++b) {
        masks.in[b] = 0xFFFF;
        masks.out[b] = 0x3FFFF;
    }
    const std::string key = ClassKey(quorvi::kAsioDriverClsid);
    win::RegKey k = win::RegKey::Create(HKEY_CLASSES_ROOT, key.c_str(), KEY_WRITE);
    if (!k) return false;
    for (const char* name : {"i_CoeffBLatency", "o_CoeffBLatency"}) k.setDword(name, 1);
    for (const char* name : {"i_ConstSLatency", "o_ConstSLatency"}) k.setDword(name, 0);
    k.close();
    return QuorviSetBlockLatency(key.c_str(), 4, &masks) != 0;
}

void Run(Driver& driver, long buffer, double seconds) {
    Host host;
    std::printf("-- %ld samples, %.0f s\n", buffer, seconds);
    std::fflush(stdout);
    const SessionResult r = RunLoopbackSession(driver, host, buffer, 48000.0, seconds);
    for (const std::string& line : DescribeSession(r)) std::printf("%s\n", line.c_str());
    std::string state;
    if (vboard::ControlClient().command("state", state)) {
        for (std::size_t at = 0, end; (end = state.find('\n', at)) != std::string::npos; at = end + 1)
            if (state.compare(at, 7, "stream ") == 0) std::printf("quorvisim: %s\n", state.substr(at, end - at).c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bench::PrintExecution();
    const double scale = argc > 1 && !std::strcmp(argv[1], "--short") ? 0.1 : 1.0;
    if (!Configure(Directory() + "..\\asio\\quorviasio.dll")) {
        std::printf("could not register the driver\n");
        return 1;
    }
    bench::Boards boards("--boards 2");
    if (!boards.serving()) return 1;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_ptr<Driver> driver(Driver::Create(quorvi::kAsioDriverClsid));
    if (!driver || !driver->init()) {
        std::printf("the driver did not start: %s\n", driver ? driver->errorMessage().c_str() : "not made");
        return 1;
    }
    Run(*driver, 256, 60 * scale);
    Run(*driver, 64, 20 * scale);
    driver.reset();
    CoUninitialize();
    return 0;
}
