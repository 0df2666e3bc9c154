// quorvisim: virtual Quorvi and Lintra boards for machines without them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "quorvi/MachineValues.h"
#include "vboard/Control.h"
#include "vboard/DeviceService.h"
#include "win/Device.h"
#include "win/RegKey.h"

namespace {

using namespace vboard;

const char kUsage[] =
    "Usage:\n"
    "  quorvisim [--boards N] [--COMMAND ARGS...]... [--boot-status 0xHHHHHHHH]\n"
    "      serve virtual boards until `quorvisim --stop` or the console closes;\n"
    "      every control command below can be given at start as --COMMAND ARGS\n"
    "      (for example --boards 2 --rate 1 a 48000 --signal 0 all steady 1000000);\n"
    "      --boot-status writes QuorviStatus under HKEY_LOCAL_MACHINE\\SOFTWARE\\Quelmar\n"
    "      at start, as the kernel driver does\n"
    "  quorvisim --ctl COMMAND ARGS...   send one control command to the running service\n"
    "  quorvisim --stop                  end the running service\n"
    "\n"
    "The programs take these boards for missing ones only with QUORVI_VIRTUAL_BOARDS=1\n"
    "in their environment (scripts/test and scripts/demo set it); quorvisim serves only\n"
    "with it set too, so that the boards are not served where no program would use them.\n"
    "\n";

HANDLE g_stop = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD) {
    SetEvent(g_stop);
    // The process ends when this handler returns; leave the main thread
    // time to close its pipes.
    Sleep(500);
    return TRUE;
}

class ControlSession : public Session {
public:
    explicit ControlSession(Driver& driver) : driver_(driver) {}
    Bytes handle(const Bytes& message) override {
        ControlResult r = message.empty() ? ControlResult{false, "command too long", false}
                                          : RunControl(driver_, nullptr, std::string(message.begin(), message.end()));
        if (r.stop) SetEvent(g_stop);
        std::string reply = (r.ok ? "+" : "-") + r.text;
        return Bytes(reply.begin(), reply.end());
    }

private:
    Driver& driver_;
};

int SendCommand(const std::string& line) {
    std::string reply;
    bool ok = ControlClient{}.command(line, reply);
    std::fputs(reply.c_str(), ok ? stdout : stderr);
    if (!reply.empty() && reply.back() != '\n') std::fputc('\n', ok ? stdout : stderr);
    return ok ? 0 : 1;
}

std::string Join(const std::vector<std::string>& words, std::size_t from, std::size_t to) {
    std::string line;
    for (std::size_t i = from; i < to; ++i) line += (line.empty() ? "" : " ") + words[i];
    return line;
}

bool WriteBootStatus(const std::string& text) {
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (text.empty() || *end != '\0') return false;
    win::RegKey key = win::RegKey::Create(HKEY_LOCAL_MACHINE, quorvi::kMakerKey);
    return key && key.setDword(quorvi::kBootStatusValue, value);
}

int Serve(const std::vector<std::string>& args) {
    if (!win::devicepipe::VirtualBoardsWanted()) {
        std::fprintf(stderr,
                     "quorvisim: %s=1 is not set, so no program would use these boards; set it in the\n"
                     "environment of quorvisim and of the programs (export %s=1 before starting them)\n",
                     win::devicepipe::kSwitchName, win::devicepipe::kSwitchName);
        return 2;
    }
    RealClock clock;
    Driver driver(clock, DriverConfig{});
    std::string bootStatus;
    for (std::size_t i = 0; i < args.size();) {
        std::size_t next = i + 1;
        while (next < args.size() && args[next].rfind("--", 0) != 0) ++next;
        if (args[i].rfind("--", 0) != 0) {
            std::fprintf(stderr, "quorvisim: unexpected '%s'\n%s", args[i].c_str(), kUsage);
            return 2;
        }
        std::string line = args[i].substr(2) + " " + Join(args, i + 1, next);
        if (args[i] == "--boot-status") {
            bootStatus = Join(args, i + 1, next);
        } else {
            ControlResult r = RunControl(driver, nullptr, line);
            if (!r.ok || r.stop) {
                std::fprintf(stderr, "quorvisim: %s: %s\n", args[i].c_str(), r.text.c_str());
                return 2;
            }
        }
        i = next;
    }

    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DeviceService devices(driver);
    PipeServer control(kControlPipeName, [&driver] { return std::make_unique<ControlSession>(driver); });
    if (!devices.start() || !control.start()) {
        std::fprintf(stderr, "quorvisim: already running (its pipes are taken)\n");
        return 1;
    }
    if (!bootStatus.empty() && !WriteBootStatus(bootStatus)) {
        std::fprintf(stderr, "quorvisim: --boot-status needs 0xHHHHHHHH and a writable registry\n");
        return 2;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);

    DriverConfig c = driver.config();
    std::printf("quorvisim: serving %u Quorvi board(s) as \\\\.\\Quorvi, \\\\.\\QUORVI and \\\\.\\quorvi.vxd",
                c.boards);
    if (c.lintraDriver)
        std::printf(" and %u Lintra board(s) as \\\\.\\ice.vxd", c.lintraBoards);
    std::printf("; stop with quorvisim --stop\n");
    std::fflush(stdout);

    // Streaming blocks are paced from here: sleep until the next boundary is
    // due (or a while, with nothing streaming), then transfer what is due.
    DWORD wait = 50;
    while (WaitForSingleObject(g_stop, wait) == WAIT_TIMEOUT) {
        driver.pump();
        std::uint64_t next = driver.nextBoundaryMicros(), now = clock.nowMicros();
        wait = next == UINT64_MAX ? 50 : next <= now ? 0 : static_cast<DWORD>(std::min<std::uint64_t>((next - now) / 1000, 50));
    }
    control.stop();
    devices.stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
        std::printf("%s%s", kUsage, kControlHelp);
        return 0;
    }
    if (!args.empty() && args[0] == "--stop") return SendCommand("stop");
    if (!args.empty() && args[0] == "--ctl") {
        if (args.size() < 2) {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
        return SendCommand(Join(args, 1, args.size()));
    }
    return Serve(args);
}
