// asio_loopback.exe: a host that finds the ASIO driver in the hosts' list,
// streams every channel for a few seconds with each output looped back,
// and reports what it saw; used by the demo against quorvisim.
//   asio_loopback [--seconds S] [--buffer SAMPLES] [--rate HZ] [--picture FILE.ppm]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "asiohost/Driver.h"
#include "asiohost/Host.h"
#include "asiohost/Session.h"

using namespace asiohost;

int main(int argc, char** argv) {
    double seconds = 3, rate = 48000;
    long buffer = 256;
    std::string picture;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--seconds")) seconds = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--buffer")) buffer = std::atol(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--rate")) rate = std::atof(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--picture")) picture = argv[i + 1];
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const auto listed = ListedDrivers();
    if (listed.empty()) {
        std::printf("no ASIO driver listed\n");
        return 2;
    }
    for (const std::string& name : listed) std::printf("listed driver: %s\n", name.c_str());
    const auto clsid = ListedClass(listed.front());
    HRESULT hr = E_FAIL;
    std::unique_ptr<Driver> driver(clsid ? Driver::Create(*clsid, &hr) : nullptr);
    if (!driver) {
        std::printf("could not make the driver: 0x%08lx\n", static_cast<unsigned long>(hr));
        return 2;
    }
    std::printf("driver: %s, version %ld\n", driver->driverName().c_str(), driver->driverVersion());
    if (!driver->init()) {
        std::printf("init failed: %s\n", driver->errorMessage().c_str());
        return 2;
    }
    Host host;
    const SessionResult r = RunLoopbackSession(*driver, host, buffer, rate, seconds);
    if (r.ok) {
        std::string names;
        for (const std::string& n : r.inputNames) names += " " + n;
        std::printf("inputs:%s\n", names.c_str());
        names.clear();
        for (const std::string& n : r.outputNames) names += " " + n;
        std::printf("outputs:%s\n", names.c_str());
        std::printf("traced: %s looped to %s\n", r.tracedOutput.c_str(), r.tracedInput.c_str());
    }
    for (const std::string& line : DescribeSession(r)) std::printf("%s\n", line.c_str());
    if (!picture.empty() && !WriteTracePicture(picture, r, r.inputLatency + r.outputLatency, 1000, 300))
        std::printf("could not write %s\n", picture.c_str());
    driver.reset();
    CoUninitialize();
    return LatencyAsReported(r) ? 0 : 1;
}
