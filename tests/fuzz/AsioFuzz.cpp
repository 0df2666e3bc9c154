// The ASIO driver as a careless or hostile host drives it: made through COM,
// called through thiscall pointers in any order with any arguments, with
// odd stored settings and a driver that fails or answers badly. Every call
// returns an ASIO code, what it reports stays in range, no call moves the
// host's stack, and the object goes away when released.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FuzzKit.h"
#include "Hostile.h"
#include "asiohost/Driver.h"
#include "asiohost/Host.h"
#include "asiohost/Registration.h"
#include "quorvi/DriverClsids.h"
#include "quorvi/QuorviCore.h"
#include "vboard/InProcessBoards.h"

using fuzz::Bytes;
using fuzz::Rng;
using quorvi::kAsioDriverClsid;

namespace {

const char kSettingsKey[] = "SOFTWARE\\Quelmar";

std::string Beside(const char* file) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.rfind('\\') + 1) + file;
}

bool KnownError(ASIOError e) {
    switch (e) {
    case ASE_OK: case ASE_SUCCESS: case ASE_NotPresent: case ASE_HWMalfunction: case ASE_InvalidParameter:
    case ASE_InvalidMode: case ASE_SPNotAdvancing: case ASE_NoClock: case ASE_NoMemory:
        return true;
    default:
        return false;
    }
}

bool Terminated(const char* text, std::size_t size) { return std::memchr(text, 0, size) != nullptr; }

class AsioFuzz {
public:
    explicit AsioFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        texts_.AddModule(LoadLibraryA(Beside("quorviasio.dll").c_str()));
        texts_.AddModule(GetModuleHandleA("quorvicore.dll"));
        Clear();
        asiohost::Register({kAsioDriverClsid, quorvi::kAsioDriverName, Beside("quorviasio.dll")});
    }
    ~AsioFuzz() {
        Clear();
        CoUninitialize();
    }

    void Input(Rng& rng) {
        boards_.control("clear-log");
        Settings(rng);
        Misbehave(rng);
        HRESULT hr = E_FAIL;
        std::unique_ptr<asiohost::Driver> driver(asiohost::Driver::Create(kAsioDriverClsid, &hr));
        if (!driver) return campaign_.Fault("the driver could not be made");
        bool ready = !rng.chance(4) && driver->init() == ASIOTrue;
        if (ready) campaign_.Tally("init");
        if (ready && rng.chance(2)) Session(rng, *driver);
        // Hosts ask for the position and report output ready from their
        // audio thread, while their main thread starts, stops and disposes.
        std::atomic<bool> done{false};
        std::thread audio;
        if (rng.chance(3))
            audio = std::thread([&] {
                ASIOSamples position;
                ASIOTimeStamp stamp;
                while (!done) {
                    Check(driver->getSamplePosition(&position, &stamp), "getSamplePosition (audio thread)");
                    Check(driver->outputReady(), "outputReady (audio thread)");
                    SwitchToThread();
                }
            });
        for (std::uint32_t calls = 1 + rng.below(40); calls > 0; --calls) Call(rng, *driver);
        done = true;
        if (audio.joinable()) audio.join();
        if (driver->stackFaults()) campaign_.Fault("a call moved the host's stack");
        if (driver->release() != 0) campaign_.Fault("the driver outlived its last reference");
        driver.reset();
        boards_.control("clear-failures");
        campaign_.CheckBoxes(texts_, boxes_.Take(), "the driver's");
    }

private:
    void Clear() {
        fuzz::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Quelmar");
        fuzz::DeleteKeyTree(HKEY_LOCAL_MACHINE, kSettingsKey);
        fuzz::DeleteSystemFiles("*.ssf");
    }

    // What the tray, asiopanel and an installer store, or anything else.
    void Settings(Rng& rng) {
        const std::string classKey = asiohost::ClassKey(kAsioDriverClsid);
        for (const char* name : {"BlockLatency", "i_CoeffBLatency", "o_CoeffBLatency", "i_ConstSLatency",
                                 "o_ConstSLatency", "RsrvChannels"}) {
            if (rng.chance(3)) fuzz::SetRegData(HKEY_CLASSES_ROOT, classKey.c_str(), name, fuzz::RandomRegData(rng, 40));
            else if (rng.chance(3)) fuzz::DeleteRegData(HKEY_CLASSES_ROOT, classKey.c_str(), name);
        }
        if (rng.chance(2)) {
            Bytes all(32, 0xFF);
            fuzz::SetRegData(HKEY_CLASSES_ROOT, classKey.c_str(), "RsrvChannels", {REG_BINARY, all});
        }
        for (const char* name : {"SampleRate", "ClockSource"}) {
            if (rng.chance(3)) fuzz::SetRegData(HKEY_LOCAL_MACHINE, kSettingsKey, name, fuzz::RandomRegData(rng, 8));
            else if (rng.chance(3)) fuzz::DeleteRegData(HKEY_LOCAL_MACHINE, kSettingsKey, name);
        }
    }

    void Misbehave(Rng& rng) {
        static const char* const requests[] = {
            "QUORVI_GET_BOARD_INFO",  "QUORVI_ACQUIRE_CHANNELS", "QUORVI_RELEASE_CHANNELS", "QUORVI_IOSTART",
            "QUORVI_IORESET",         "QUORVI_SET_IN_CHANNEL",   "QUORVI_SET_OUT_CHANNEL",  "QUORVI_ALLOC_BUFFERS",
            "QUORVI_FREE_BUFFERS",    "QUORVI_SET_CALLBACK",     "QUORVI_SYS_UPDATE",       "QUORVI_HC_GET_PARAMS",
            "QUORVI_GET_SYS_SETUP",   "QUORVI_GET_STATUS"};
        boards_.control("boards " + std::to_string(rng.below(5)));
        for (std::uint32_t n = rng.below(3); n > 0; --n) {
            std::string request = requests[rng.below(std::size(requests))];
            // The buffers' address is the driver's promise.
            std::string command = fuzz::Misbehaviour(rng, request, request != "QUORVI_ALLOC_BUFFERS");
            boards_.control(command);
            campaign_.Note(command);
        }
        if (rng.chance(8)) boards_.control("fail open 2 once");
    }

    double Rate(Rng& rng) {
        static const double rates[] = {44100, 48000, 0, -1, 1e300, 32000, 96000, 44100.5, 8000, 1e-300};
        switch (rng.below(4)) {
        case 0: return std::nan("");
        case 1: return HUGE_VAL;
        default: return rates[rng.below(std::size(rates))];
        }
    }

    void Check(ASIOError e, const char* call) {
        if (!KnownError(e)) campaign_.Fault(std::string(call) + " answered no ASIO code");
        if (e == ASE_OK || e == ASE_SUCCESS) campaign_.Tally(call);
    }

    void Call(Rng& rng, asiohost::Driver& d) {
        long a = 0, b = 0, c = 0, g = 0;
        bool nulls = rng.chance(6);
        switch (rng.below(19)) {
        case 0: d.init(); break;
        case 1:
            if (d.driverName().size() >= kAsioDriverNameSize) campaign_.Fault("a driver name longer than its buffer");
            break;
        case 2:
            if (d.errorMessage().size() >= kAsioErrorMessageSize) campaign_.Fault("an error text longer than its buffer");
            break;
        case 3: Check(d.start(), "start"); break;
        case 4: Check(d.stop(), "stop"); break;
        case 5: {
            ASIOError e = d.getChannels(nulls ? nullptr : &a, &b);
            Check(e, "getChannels");
            if (e == ASE_OK && (a < 0 || a > 64 || b < 0 || b > 72)) campaign_.Fault("channel counts out of range");
            break;
        }
        case 6: Check(d.getLatencies(&a, nulls ? nullptr : &b), "getLatencies"); break;
        case 7: {
            ASIOError e = d.getBufferSize(&a, &b, nulls ? nullptr : &c, &g);
            Check(e, "getBufferSize");
            if (e == ASE_OK && !(a > 0 && a <= c && c <= b)) campaign_.Fault("a preferred size outside min..max");
            break;
        }
        case 8: Check(d.canSampleRate(Rate(rng)), "canSampleRate"); break;
        case 9: {
            double rate = -7;
            ASIOError e = d.getSampleRate(nulls ? nullptr : &rate);
            Check(e, "getSampleRate");
            if (e == ASE_OK && !(std::isfinite(rate) && rate > 0)) campaign_.Fault("a sample rate that is no rate");
            break;
        }
        case 10: Check(d.setSampleRate(Rate(rng)), "setSampleRate"); break;
        case 11: {
            ASIOClockSource sources[8];
            std::memset(sources, 'y', sizeof sources);
            long count = static_cast<long>(rng.below(10)) - 1;
            long asked = count;
            ASIOError e = d.getClockSources(nulls ? nullptr : sources, count > 8 ? &asked : &count);
            Check(e, "getClockSources");
            long filled = count > 8 ? 0 : count;
            for (long i = 0; e == ASE_OK && i < filled && i < 8; ++i)
                if (!Terminated(sources[i].name, sizeof sources[i].name)) campaign_.Fault("a clock name without its end");
            break;
        }
        case 12: Check(d.setClockSource(static_cast<long>(rng.edgyWord())), "setClockSource"); break;
        case 13: {
            ASIOSamples position;
            ASIOTimeStamp stamp;
            Check(d.getSamplePosition(nulls ? nullptr : &position, &stamp), "getSamplePosition");
            break;
        }
        case 14: {
            ASIOChannelInfo info{};
            info.channel = static_cast<long>(rng.edgyWord());
            info.isInput = static_cast<ASIOBool>(rng.below(3));
            std::memset(info.name, 'z', sizeof info.name);
            ASIOError e = d.getChannelInfo(nulls ? nullptr : &info);
            Check(e, "getChannelInfo");
            if (e == ASE_OK && !Terminated(info.name, sizeof info.name)) campaign_.Fault("a channel name without its end");
            break;
        }
        case 15: CreateBuffers(rng, d); break;
        case 16: Check(d.disposeBuffers(), "disposeBuffers"); break;
        case 17: {
            std::vector<std::uint8_t> option(4096);
            for (auto& byte : option) byte = static_cast<std::uint8_t>(rng.below(3));
            long selector = rng.chance(2) ? static_cast<long>(rng.below(20)) : static_cast<long>(rng.edgyWord());
            Check(d.future(selector, nulls ? nullptr : option.data()), "future");
            break;
        }
        default:
            Check(d.outputReady(), "outputReady");
            boards_.advanceMs(rng.below(30));
            break;
        }
    }

    // A host's usual sequence, so that later calls meet running streams.
    void Session(Rng& rng, asiohost::Driver& d) {
        long inputs = 0, outputs = 0;
        if (d.getChannels(&inputs, &outputs) != ASE_OK) return;
        std::vector<ASIOBufferInfo> infos;
        for (long i = 0; i < inputs && i < 8; ++i) infos.push_back(ASIOBufferInfo{ASIOTrue, i, {}});
        for (long i = 0; i < outputs && i < 8; ++i) infos.push_back(ASIOBufferInfo{ASIOFalse, i, {}});
        static const long sizes[] = {64, 256, 512, 2048};
        Check(d.createBuffers(infos.data(), static_cast<long>(infos.size()), sizes[rng.below(4)], host_.callbacks()),
              "createBuffers");
        Check(d.start(), "start");
        boards_.advanceMs(rng.below(50));
    }

    void CreateBuffers(Rng& rng, asiohost::Driver& d) {
        // Never more entries than the host's array holds: no driver could
        // tell such a count from a true one.
        long count = rng.chance(8) ? -static_cast<long>(rng.edgyWord() & 0x7FFFFFFF) : static_cast<long>(rng.below(140));
        std::vector<ASIOBufferInfo> infos(count > 0 ? count : 1);
        for (std::size_t i = 0; i < infos.size(); ++i) {
            infos[i].isInput = static_cast<ASIOBool>(rng.chance(4) ? rng.edgyWord() : rng.below(2));
            infos[i].channelNum = rng.chance(4) ? static_cast<long>(rng.edgyWord()) : static_cast<long>(i / 2);
        }
        static const long sizes[] = {64, 128, 256, 512, 1024, 2048, 0, -1, 63, 65536, 65537, 0x7FFFFFFF};
        long size = sizes[rng.below(std::size(sizes))];
        ASIOCallbacks none{};
        ASIOCallbacks* callbacks = rng.chance(8) ? (rng.chance(2) ? nullptr : &none) : host_.callbacks();
        Check(d.createBuffers(rng.chance(10) ? nullptr : infos.data(), count, size, callbacks), "createBuffers");
    }

    fuzz::Campaign& campaign_;
    fuzz::OwnTexts texts_;
    fuzz::BoxRecorder boxes_;
    vboard::InProcessBoards boards_;
    asiohost::Host host_;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1904, 60, 15000);
    fuzz::Campaign campaign("asio", options);
    {
        AsioFuzz asio(campaign);
        campaign.Run([&](Rng& rng, long) { asio.Input(rng); });
    }
    return campaign.Finish();
}
