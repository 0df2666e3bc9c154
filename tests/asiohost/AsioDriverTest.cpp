// The driver as hosts use it: found in the hosts' list, made through COM and
// called through thiscall pointers only, against virtual boards on a manual
// clock.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "asiohost/Driver.h"
#include "asiohost/Host.h"
#include "asiohost/Loopback.h"
#include "asiohost/Registration.h"
#include "quorvi/DriverClsids.h"
#include "quorvi/QuorviCore.h"
#include "testkit/MessageBoxCatcher.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/Robot.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"

using namespace asiohost;
using quorvi::kAsioDriverClsid;

namespace {

const char* const kName = "ASIO Audio for Quorvi";
const std::string kClassKey = ClassKey(kAsioDriverClsid);
const char* const kSettingsKey = "SOFTWARE\\Quelmar";

std::string DriverPath() { return testkit::ProgramDirectory() + "\\quorviasio.dll"; }

std::vector<testkit::RegKey> Keys() {
    auto keys = testkit::QuelmarKeys();
    keys.push_back({HKEY_CLASSES_ROOT, kClassKey});
    keys.push_back({HKEY_LOCAL_MACHINE, ListKey(kName)});
    return keys;
}

quorvi::ChannelMaskSet AllChannels() {
    quorvi::ChannelMaskSet m{};
    for (int b = 0; b < 4; ++b) {
        m.in[b] = 0xFFFF;
        m.out[b] = 0x3FFFF;
    }
    return m;
}

vboard::DriverConfig Boards(std::uint32_t count) {
    vboard::DriverConfig c;
    c.boards = count;
    return c;
}

void StoreRate(float rate, DWORD clock) {
    DWORD bits;
    std::memcpy(&bits, &rate, 4);
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, "SampleRate", bits));
    ASSERT_TRUE(testkit::WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKey, "ClockSource", clock));
}

class AsioDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(Register({kAsioDriverClsid, kName, DriverPath()}));
        storeLatency(48, AllChannels());
        storeCoefficients(1, 0, 1, 0);
    }
    void TearDown() override { CoUninitialize(); }

    void storeLatency(DWORD blocks, const quorvi::ChannelMaskSet& masks) {
        ASSERT_TRUE(testkit::WriteRegDword(HKEY_CLASSES_ROOT, kClassKey, "BlockLatency", blocks));
        ASSERT_TRUE(testkit::WriteRegValue(HKEY_CLASSES_ROOT, kClassKey, "RsrvChannels", REG_BINARY, &masks,
                                           sizeof masks));
    }
    void storeCoefficients(DWORD inBlocks, DWORD inSamples, DWORD outBlocks, DWORD outSamples) {
        testkit::WriteRegDword(HKEY_CLASSES_ROOT, kClassKey, "i_CoeffBLatency", inBlocks);
        testkit::WriteRegDword(HKEY_CLASSES_ROOT, kClassKey, "i_ConstSLatency", inSamples);
        testkit::WriteRegDword(HKEY_CLASSES_ROOT, kClassKey, "o_CoeffBLatency", outBlocks);
        testkit::WriteRegDword(HKEY_CLASSES_ROOT, kClassKey, "o_ConstSLatency", outSamples);
    }
    // The way hosts find and make a driver.
    std::unique_ptr<Driver> open() {
        const auto clsid = ListedClass(kName);
        EXPECT_TRUE(clsid.has_value());
        if (!clsid) return nullptr;
        HRESULT hr = E_FAIL;
        std::unique_ptr<Driver> driver(Driver::Create(*clsid, &hr));
        EXPECT_EQ(hr, S_OK);
        return driver;
    }
    std::unique_ptr<Driver> openInitialised() {
        auto driver = open();
        if (driver) {
            EXPECT_EQ(driver->init(), ASIOTrue) << driver->errorMessage();
        }
        return driver;
    }

    testkit::RegistrySandbox registry_{Keys()};
    testkit::SystemDirSandbox files_{{"*.ssf"}};
};

using DllGetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using DllCanUnloadNowFn = HRESULT(WINAPI*)();

// An object that aggregates the driver.
struct Outer : IUnknown {
    LONG references = 1;
    IUnknown* inner = nullptr;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) override {
        if (riid == IID_IUnknown) {
            *result = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(riid, result);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

TEST_F(AsioDriverTest, TheServerMakesOnlyItsClassAndStaysWhileAnyObjectOrLockLives) {
    HMODULE dll = LoadLibraryA(DriverPath().c_str());
    ASSERT_NE(dll, nullptr);
    auto getClass = reinterpret_cast<DllGetClassObjectFn>(GetProcAddress(dll, "DllGetClassObject"));
    auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(GetProcAddress(dll, "DllCanUnloadNow"));
    ASSERT_TRUE(getClass && canUnload);
    EXPECT_NE(GetProcAddress(dll, "DllEntryPoint"), nullptr);
    EXPECT_EQ(GetProcAddress(dll, "DllRegisterServer"), nullptr) << "an installer registers it";

    void* p = &p;
    EXPECT_EQ(getClass(IID_IClassFactory, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(getClass(kAsioDriverClsid, kAsioDriverClsid, &p), E_NOINTERFACE);
    EXPECT_EQ(getClass(kAsioDriverClsid, IID_IClassFactory, nullptr), E_POINTER);

    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClass(kAsioDriverClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(canUnload(), S_FALSE) << "a factory is held";
    EXPECT_EQ(factory->CreateInstance(nullptr, kAsioDriverClsid, nullptr), E_POINTER);
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(&outer, kAsioDriverClsid, &p), E_NOINTERFACE);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnload(), S_FALSE) << "locked";

    ASSERT_EQ(getClass(kAsioDriverClsid, IID_IUnknown, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);
    // Aggregated: the interface answers for the outer object.
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)), S_OK);
    factory->Release();
    void* asio = nullptr;
    ASSERT_EQ(outer.inner->QueryInterface(kAsioDriverClsid, &asio), S_OK);
    EXPECT_EQ(outer.references, 2);
    {
        Driver aggregated(asio);
        EXPECT_EQ(aggregated.driverVersion(), 3);
        IUnknown* identity = nullptr;
        EXPECT_EQ(aggregated.queryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        EXPECT_EQ(identity, &outer);
        outer.Release();
        EXPECT_EQ(aggregated.queryInterface(IID_IClassFactory, &p), E_NOINTERFACE);
        EXPECT_EQ(aggregated.stackFaults(), 0);
    }
    EXPECT_EQ(outer.references, 1);
    EXPECT_EQ(canUnload(), S_FALSE) << "the object lives";
    EXPECT_EQ(outer.inner->Release(), 0u);
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(dll);
}

TEST_F(AsioDriverTest, WithoutBoardsInitFailsAndOnlyTheFixedFactsAnswer) {
    const auto listed = ListedDrivers();
    EXPECT_NE(std::find(listed.begin(), listed.end(), kName), listed.end());
    auto driver = open();
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->errorMessage(), "No error yet!");
    // Before init: the stored internal clock is read, but with no boards
    // open a rate cannot be set.
    StoreRate(48000.0f, 4);
    double rate = 0;
    EXPECT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 48000.0);
    EXPECT_EQ(driver->setSampleRate(44100.0), ASE_NotPresent);
    EXPECT_EQ(driver->init(), ASIOFalse);
    EXPECT_EQ(driver->errorMessage(), "Couldn't open quorvi.vxd!");
    EXPECT_EQ(driver->driverName(), kName);
    EXPECT_EQ(driver->driverVersion(), 3);
    EXPECT_EQ(driver->outputReady(), ASE_NotPresent);
    long in = -1, out = -1;
    EXPECT_EQ(driver->getChannels(&in, &out), ASE_NotPresent);
    EXPECT_EQ(driver->start(), ASE_NotPresent);
    EXPECT_EQ(driver->canSampleRate(48000.0), ASE_NotPresent);
    EXPECT_EQ(driver->future(kAsioEnableTimeCodeRead), ASE_SUCCESS);
    // No boards to ask: no error box, and no setup changed for nothing.
    EXPECT_EQ(driver->future(kAsioCanTimeCode), ASE_NotPresent);
    EXPECT_EQ(driver->setClockSource(0), ASE_NotPresent);
    EXPECT_FALSE(testkit::RegKeyExists(HKEY_CURRENT_USER, "Software\\Quelmar\\Setups"));
    ASIOClockSource clocks[5];
    long count = 5;
    EXPECT_EQ(driver->getClockSources(clocks, &count), ASE_OK);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(driver->stackFaults(), 0);
}

TEST_F(AsioDriverTest, AnUnusableBlockLatencyGives3072SamplesAndStoresTheDefault) {
    for (DWORD stored : {0u, 1025u}) {
        storeLatency(stored, AllChannels());
        vboard::InProcessBoards boards(Boards(1));
        auto driver = open();
        ASSERT_TRUE(driver);
        ASSERT_EQ(driver->init(), ASIOTrue);
        long minSize, maxSize, preferred, granularity;
        ASSERT_EQ(driver->getBufferSize(&minSize, &maxSize, &preferred, &granularity), ASE_OK);
        EXPECT_EQ(preferred, 3072);
        EXPECT_EQ(minSize, 64);
        EXPECT_EQ(maxSize, 65536);
        EXPECT_EQ(granularity, 64);
        EXPECT_EQ(testkit::ReadRegDword(HKEY_CLASSES_ROOT, kClassKey, "BlockLatency"), 48u);
        auto masks = testkit::ReadRegValue(HKEY_CLASSES_ROOT, kClassKey, "RsrvChannels");
        ASSERT_TRUE(masks);
        const quorvi::ChannelMaskSet all = AllChannels();
        EXPECT_EQ(std::memcmp(masks->data.data(), &all, sizeof all), 0);
    }
}

class WithBoards : public AsioDriverTest {
protected:
    vboard::InProcessBoards boards_{Boards(2)};
};

TEST_F(WithBoards, InitClaimsTheReservedChannelsOfTheBoardsPresentAndLetsThemGo) {
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    const auto opens = boards_.opens();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].name, "\\\\.\\quorvi.vxd");
    EXPECT_EQ(opens[0].args.disposition, 0u);
    EXPECT_EQ(opens[0].args.flags, unsigned(FILE_FLAG_DELETE_ON_CLOSE));
    long in = 0, out = 0;
    ASSERT_EQ(driver->getChannels(&in, &out), ASE_OK);
    EXPECT_EQ(in, 32);
    EXPECT_EQ(out, 36);
    ASIOChannelInfo info{};
    info.channel = 2;
    ASSERT_EQ(driver->getChannelInfo(&info), ASE_OK);
    EXPECT_STREQ(info.name, "S2:Mon3,4");
    info.channel = 36;
    EXPECT_EQ(driver->getChannelInfo(&info), ASE_InvalidParameter);
    long inLatency = 0, outLatency = 0;
    ASSERT_EQ(driver->getLatencies(&inLatency, &outLatency), ASE_OK);
    EXPECT_EQ(inLatency, 3072);
    EXPECT_EQ(outLatency, 3072);

    EXPECT_EQ(driver->init(), ASIOTrue) << "a second init keeps the first";
    EXPECT_EQ(boards_.opens().size(), 1u);

    auto second = open();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->init(), ASIOFalse);
    EXPECT_EQ(second->errorMessage(), "Couldn't acquire all Quorvi channels!");
    EXPECT_EQ(boards_.driver().openHandles(), 1u) << "the second host's device closed";
    second.reset();

    EXPECT_EQ(driver->release(), 0u);
    EXPECT_EQ(boards_.log(quorvi::QUORVI_RELEASE_CHANNELS).size(), 1u);
    EXPECT_EQ(boards_.driver().openHandles(), 0u);
    EXPECT_EQ(open()->init(), ASIOTrue) << "the channels are free again";
}

// Without wakes no block would ever be handed over.
TEST_F(WithBoards, InitFailsAndGivesTheChannelsBackWhenTheStreamingThreadCannotRegister) {
    boards_.control("fail QUORVI_SET_CALLBACK 31 once");
    auto driver = open();
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->init(), ASIOFalse);
    EXPECT_EQ(driver->errorMessage(), "Couldn't start the Quorvi streaming thread!");
    EXPECT_EQ(boards_.log(quorvi::QUORVI_RELEASE_CHANNELS).size(), 1u);
    EXPECT_EQ(boards_.driver().openHandles(), 0u);
    long in, out;
    EXPECT_EQ(driver->getChannels(&in, &out), ASE_NotPresent);
    EXPECT_EQ(driver->init(), ASIOTrue) << "a later init may succeed";
}

TEST_F(WithBoards, MissingPointersAndBadBufferRequestsAreRefusedWithNothingAllocated) {
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    long a = 0, b = 0, c = 0;
    EXPECT_EQ(driver->getChannels(nullptr, &a), ASE_InvalidParameter);
    EXPECT_EQ(driver->getLatencies(&a, nullptr), ASE_InvalidParameter);
    EXPECT_EQ(driver->getBufferSize(&a, &b, &c, nullptr), ASE_InvalidParameter);
    EXPECT_EQ(driver->getSampleRate(nullptr), ASE_InvalidParameter);
    EXPECT_EQ(driver->getClockSources(nullptr, &a), ASE_InvalidParameter);
    EXPECT_EQ(driver->getSamplePosition(nullptr, nullptr), ASE_InvalidParameter);
    EXPECT_EQ(driver->getChannelInfo(nullptr), ASE_InvalidParameter);
    driver->future(kAsioEnableTimeCodeRead, nullptr);

    Host host;
    std::vector<ASIOBufferInfo> infos = {{ASIOTrue, 0, {}}, {ASIOFalse, 0, {}}};
    EXPECT_EQ(driver->createBuffers(nullptr, 2, 256, host.callbacks()), ASE_InvalidParameter);
    EXPECT_EQ(driver->createBuffers(infos.data(), 0, 256, host.callbacks()), ASE_InvalidParameter);
    EXPECT_EQ(driver->createBuffers(infos.data(), 2, 32, host.callbacks()), ASE_InvalidParameter);
    EXPECT_EQ(driver->createBuffers(infos.data(), 2, 65537, host.callbacks()), ASE_InvalidParameter);
    EXPECT_EQ(driver->createBuffers(infos.data(), 2, 256, nullptr), ASE_InvalidParameter);
    infos[1].channelNum = 36;
    EXPECT_EQ(driver->createBuffers(infos.data(), 2, 256, host.callbacks()), ASE_InvalidParameter);
    infos[1] = infos[0];
    EXPECT_EQ(driver->createBuffers(infos.data(), 2, 256, host.callbacks()), ASE_InvalidParameter);
    EXPECT_TRUE(boards_.log(quorvi::QUORVI_ALLOC_BUFFERS).empty());
    EXPECT_EQ(infos[0].buffers[0], nullptr);

    EXPECT_EQ(driver->start(), ASE_InvalidMode);
    EXPECT_EQ(driver->stop(), ASE_InvalidMode);
    EXPECT_EQ(driver->disposeBuffers(), ASE_InvalidMode);
    EXPECT_EQ(driver->stackFaults(), 0);
}

// An output, an input and a monitor output of board 1 at buffer size 100:
// blocks of 64, halves of 400 bytes.
TEST_F(WithBoards, BuffersLieInOneSharedBlockAndEveryHalfIsRegistered) {
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    Host host;
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 6, {}}, {ASIOTrue, 0, {}}, {ASIOFalse, 0, {}}};
    ASSERT_EQ(driver->createBuffers(infos.data(), 3, 100, host.callbacks()), ASE_OK);
    auto base = [&](int i, int h) { return static_cast<std::uint8_t*>(infos[i].buffers[h]); };
    EXPECT_EQ(base(0, 1) - base(0, 0), 400);
    EXPECT_EQ(base(1, 0) - base(0, 0), 800);
    EXPECT_EQ(base(2, 1) - base(0, 0), 2000);
    EXPECT_EQ(base(0, 0)[-1], 0x41) << "the records' area filled before use";
    for (int i = 0; i < 3; ++i)
        for (int h = 0; h < 2; ++h)
            EXPECT_EQ(std::count(base(i, h), base(i, h) + 400, 0), 400) << "a silent half to start with";

    const auto alloc = boards_.log(quorvi::QUORVI_ALLOC_BUFFERS);
    ASSERT_EQ(alloc.size(), 1u);
    std::uint32_t pages;
    std::memcpy(&pages, alloc[0].input.data(), 4);
    EXPECT_EQ(pages, (434u * 3 * 2) / 4096 + 2);

    // Inputs first; both halves of the status record (the first output's)
    // carry its flags.
    const auto ins = boards_.log(quorvi::QUORVI_SET_IN_CHANNEL), outs = boards_.log(quorvi::QUORVI_SET_OUT_CHANNEL);
    ASSERT_EQ(ins.size(), 2u);
    ASSERT_EQ(outs.size(), 4u);
    EXPECT_LT(ins[1].sequence, outs[0].sequence);
    auto half = [](const vboard::LogEntry& e) {
        quorvi::ChannelHalfRequest r;
        std::memcpy(&r, e.input.data(), sizeof r);
        return r;
    };
    EXPECT_EQ(half(ins[0]).bit, 0);
    EXPECT_EQ(half(ins[0]).flags, quorvi::kHalfFlags);
    EXPECT_EQ(half(outs[0]).bit, 2) << "output 6 is board 1's A3, after four monitor outputs";
    EXPECT_EQ(half(outs[0]).flags, quorvi::kStatusHalfFlags);
    EXPECT_EQ(half(outs[1]).flags, quorvi::kStatusHalfFlags);
    EXPECT_EQ(half(outs[1]).buffer, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(base(0, 1))));
    EXPECT_EQ(half(outs[2]).bit, 16) << "output 0 is board 1's first monitor output";
    EXPECT_EQ(half(outs[2]).flags, quorvi::kHalfFlags);

    std::vector<ASIOBufferInfo> again = {{ASIOTrue, 1, {}}};
    EXPECT_EQ(driver->createBuffers(again.data(), 1, 256, host.callbacks()), ASE_InvalidMode);
    EXPECT_EQ(boards_.log(quorvi::QUORVI_ALLOC_BUFFERS).size(), 1u);
    EXPECT_EQ(driver->disposeBuffers(), ASE_OK);
    EXPECT_EQ(boards_.log(quorvi::QUORVI_FREE_BUFFERS).size(), 1u);
}

// Streaming on board 1's internal 48 kHz clock, so a block of 192 samples
// takes exactly 4 ms of the manual clock.
class Streaming : public WithBoards {
protected:
    static constexpr long kBlock = 192;
    void SetUp() override {
        WithBoards::SetUp();
        driver_ = openInitialised();
        ASSERT_TRUE(driver_);
        ASSERT_EQ(driver_->setClockSource(3), ASE_OK);
        ASSERT_EQ(QuorviGetMasterClock(), 4);
    }
    void TearDown() override {
        if (driver_) {
            EXPECT_EQ(driver_->stackFaults(), 0);
        }
        driver_.reset();
        WithBoards::TearDown();
    }
    void create(std::vector<ASIOBufferInfo>& infos, long size = kBlock) {
        ASSERT_EQ(driver_->createBuffers(infos.data(), static_cast<long>(infos.size()), size, host_.callbacks()),
                  ASE_OK);
    }
    // One block of the boards, and the switch it brings.
    void block() {
        const int before = host_.switches();
        boards_.advanceMs(4);
        ASSERT_TRUE(host_.waitSwitches(before + 1, 5000)) << "no switch after block";
    }
    std::uint64_t position() {
        ASIOSamples samples{};
        ASIOTimeStamp stamp{};
        EXPECT_EQ(driver_->getSamplePosition(&samples, &stamp), ASE_OK);
        return (std::uint64_t{samples.hi} << 32) | samples.lo;
    }

    Host host_;
    std::unique_ptr<Driver> driver_;
};

TEST_F(Streaming, StartHandsBothHalvesOverFirstThenEveryBlockIsCountedFromTheFirst) {
    std::vector<ASIOBufferInfo> infos = {{ASIOTrue, 0, {}}, {ASIOFalse, 2, {}}};
    create(infos);
    std::vector<long> halves;
    std::atomic<int> startedEarly{0};
    host_.onSwitch = [&](long half, const ASIOTime*) {
        halves.push_back(half);
        if (!boards_.log(quorvi::QUORVI_IOSTART).empty() && halves.size() <= 2) ++startedEarly;
    };
    ASSERT_EQ(driver_->start(), ASE_OK);
    ASSERT_EQ(host_.switches(), 2);
    EXPECT_EQ(startedEarly.load(), 0) << "both switches before the start request";
    EXPECT_EQ(host_.lastSwitchThread(), GetCurrentThreadId());
    EXPECT_EQ(driver_->start(), ASE_InvalidMode) << "already running";
    EXPECT_EQ(host_.switches(), 2);

    for (int n = 1; n <= 8; ++n) {
        block();
        EXPECT_EQ(position(), static_cast<std::uint64_t>(n * kBlock)) << "block " << n;
    }
    EXPECT_EQ(halves, (std::vector<long>{0, 1, 0, 1, 0, 1, 0, 1, 0, 1}));
    EXPECT_NE(host_.lastSwitchThread(), GetCurrentThreadId());

    EXPECT_EQ(driver_->stop(), ASE_OK);
    EXPECT_EQ(driver_->stop(), ASE_InvalidMode);
    // A restart counts from zero again, its first block included.
    ASSERT_EQ(driver_->start(), ASE_OK);
    EXPECT_EQ(position(), 0u);
    block();
    EXPECT_EQ(position(), static_cast<std::uint64_t>(kBlock));
}

TEST_F(Streaming, ABufferSizeOf100MovesThePositionBy64PerBlock) {
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    create(infos, 100);
    ASSERT_EQ(driver_->start(), ASE_OK);
    // 64 samples at 48 kHz end every 4/3 ms: stepping by milliseconds
    // brings one boundary at a time, and every one is a switch.
    std::uint64_t blocks = 0;
    for (int ms = 1; ms <= 12; ++ms) {
        const int before = host_.switches();
        boards_.advanceMs(1);
        if (static_cast<std::uint64_t>(ms * 3 / 4) == blocks) continue;
        ++blocks;
        ASSERT_TRUE(host_.waitSwitches(before + 1, 5000)) << "block " << blocks;
        EXPECT_EQ(position(), 64u * blocks);
    }
    EXPECT_EQ(blocks, 9u);
}

TEST_F(Streaming, StopWaitsForASwitchInProgressAndNoneFollowsDisposeOrRelease) {
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    create(infos);
    std::atomic<bool> inside{false}, slow{false};
    host_.onSwitch = [&](long, const ASIOTime*) {
        if (!slow) return;
        inside = true;
        Sleep(200);
        inside = false;
    };
    ASSERT_EQ(driver_->start(), ASE_OK);
    slow = true;
    boards_.advanceMs(4);
    ASSERT_TRUE(testkit::WaitUntil([&] { return inside.load(); }, 5000));
    EXPECT_EQ(driver_->stop(), ASE_OK);
    EXPECT_FALSE(inside.load()) << "stop returned while the host was still switching";
    slow = false;

    ASSERT_EQ(driver_->start(), ASE_OK);
    block();
    const DWORD streamingThread = host_.lastSwitchThread();
    // Released while running: it stops, gives everything back and its
    // thread ends.
    EXPECT_EQ(driver_->release(), 0u);
    for (std::uint32_t code : {quorvi::QUORVI_IORESET, quorvi::QUORVI_FREE_BUFFERS, quorvi::QUORVI_CLEAR_CALLBACK,
                               quorvi::QUORVI_RELEASE_CHANNELS})
        EXPECT_FALSE(boards_.log(code).empty()) << vboard::RequestName(code);
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, streamingThread);
    if (thread) {
        EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
    const int switches = host_.switches();
    boards_.advanceMs(40);
    EXPECT_EQ(host_.switches(), switches);
    EXPECT_EQ(boards_.driver().openHandles(), 0u);
}

// Boards that refuse the reset stream on: stop says so and the halves keep
// coming, but none reaches the host once its buffers are disposed of.
TEST_F(Streaming, ARefusedResetKeepsTheSwitchesOnlyUntilTheBuffersGo) {
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    create(infos);
    ASSERT_EQ(driver_->start(), ASE_OK);
    block();
    boards_.control("fail QUORVI_IORESET 31");
    EXPECT_EQ(driver_->stop(), ASE_HWMalfunction);
    EXPECT_EQ(driver_->errorMessage(), "quorvi.vxd IORESET failed!");
    block();
    EXPECT_EQ(driver_->disposeBuffers(), ASE_HWMalfunction);
    const int switches = host_.switches();
    boards_.advanceMs(40);
    EXPECT_FALSE(testkit::WaitUntil([&] { return host_.switches() > switches; }, 200));
    boards_.control("clear-failures");
    EXPECT_EQ(driver_->disposeBuffers(), ASE_OK) << "the block is freed once the boards let go";
}

TEST_F(Streaming, OutputsComeBackOnTheirInputsExactlyTheReportedLatencyLater) {
    long inputs = 0, outputs = 0;
    ASSERT_EQ(driver_->getChannels(&inputs, &outputs), ASE_OK);
    std::vector<ASIOBufferInfo> infos;
    for (long i = 0; i < inputs; ++i) infos.push_back({ASIOTrue, i, {}});
    for (long o = 0; o < outputs; ++o) infos.push_back({ASIOFalse, o, {}});
    create(infos);
    long inLatency = 0, outLatency = 0;
    ASSERT_EQ(driver_->getLatencies(&inLatency, &outLatency), ASE_OK);
    EXPECT_EQ(inLatency, kBlock);
    EXPECT_EQ(outLatency, kBlock);

    Loopback loop(infos, kBlock);
    // Inputs pair with the outputs of the same board and name: "S1:A1" with
    // "S1:A1,2".
    for (long o = 0; o < outputs; ++o) {
        ASIOChannelInfo out{o, ASIOFalse};
        ASSERT_EQ(driver_->getChannelInfo(&out), ASE_OK);
        for (long i = 0; i < inputs; ++i) {
            ASIOChannelInfo in{i, ASIOTrue};
            ASSERT_EQ(driver_->getChannelInfo(&in), ASE_OK);
            if (std::string(out.name).rfind(std::string(in.name) + ",", 0) == 0) loop.pair(i, o);
        }
    }
    host_.onSwitch = [&](long half, const ASIOTime*) { loop.process(half); };
    ASSERT_EQ(driver_->start(), ASE_OK);
    for (int n = 0; n < 12; ++n) block();
    ASSERT_EQ(driver_->stop(), ASE_OK);

    const auto delays = loop.delays();
    ASSERT_EQ(delays.size(), 1u);
    EXPECT_EQ(static_cast<long>(delays.begin()->first), inLatency + outLatency);
    EXPECT_EQ(loop.misrouted(), 0);
    EXPECT_GE(loop.patterned(), 10LL * kBlock * inputs);
}

TEST_F(Streaming, TimeRecordsGoOnlyToAHostThatTakesThemWhileTimeCodeIsRead) {
    boards_.control("timecode-on on");
    boards_.control("timecode 48000 running");
    host_.supportsTimeInfo = host_.supportsTimeCode = true;
    EXPECT_EQ(driver_->future(kAsioEnableTimeCodeRead), ASE_SUCCESS);
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    create(infos);
    ASIOTime last{};
    host_.onSwitch = [&](long, const ASIOTime* record) {
        if (record) last = *record;
    };
    ASSERT_EQ(driver_->start(), ASE_OK);
    block();
    block();
    EXPECT_EQ(host_.timeInfoSwitches(), 4);
    EXPECT_EQ(last.timeInfo.samplePosition.lo, 2u * kBlock);
    EXPECT_EQ(last.timeInfo.flags & 7u, 7u);
    EXPECT_EQ(last.timeInfo.sampleRate, 48000.0);
    EXPECT_EQ(last.timeCode.flags, kTcOnspeed | kTcValid | kTcRunning);
    EXPECT_GE(last.timeCode.timeCodeSamples.lo, 48000u);
    EXPECT_EQ(driver_->future(kAsioDisableTimeCodeRead), ASE_SUCCESS);
    block();
    EXPECT_EQ(host_.timeInfoSwitches(), 4);
    ASSERT_EQ(driver_->disposeBuffers(), ASE_OK);

    // A host that does not take time records gets plain switches, even after
    // asking for time code.
    host_.supportsTimeInfo = false;
    create(infos);
    EXPECT_EQ(driver_->future(kAsioCanTimeCode), ASE_SUCCESS);
    EXPECT_EQ(driver_->future(kAsioEnableTimeCodeRead), ASE_SUCCESS);
    ASSERT_EQ(driver_->start(), ASE_OK);
    block();
    EXPECT_EQ(host_.timeInfoSwitches(), 4);

    boards_.control("timecode-on off");
    EXPECT_EQ(driver_->future(kAsioCanTimeCode), ASE_NotPresent);
}

class Clocks : public WithBoards {};

TEST_F(Clocks, MeasuredRatesAreReportedNominalAndExternalClocksTellTheHostTheirRate) {
    StoreRate(47950.0f, 0);
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    double rate = 0;
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 48000.0);
    StoreRate(47700.0f, 0);
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 47700.0);
    // A stored rate that is no rate leaves the last one.
    StoreRate(std::numeric_limits<float>::quiet_NaN(), 0);
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 47700.0);

    Host host;
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    ASSERT_EQ(driver->createBuffers(infos.data(), 1, 256, host.callbacks()), ASE_OK);
    StoreRate(48000.0f, 2);  // word clock at 48 kHz
    EXPECT_EQ(driver->setSampleRate(44100.0), ASE_OK);
    EXPECT_EQ(host.rateChanges(), std::vector<double>{48000.0});
    // A measurement a little off the rate asked for is that rate.
    StoreRate(47998.5f, 2);
    EXPECT_EQ(driver->setSampleRate(48000.0), ASE_OK);
    EXPECT_EQ(host.rateChanges().size(), 1u);

    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(driver->canSampleRate(bad), ASE_NoClock);
        EXPECT_EQ(driver->setSampleRate(bad), ASE_NoClock);
    }
    EXPECT_EQ(driver->canSampleRate(44100.0), ASE_OK);
    EXPECT_EQ(driver->canSampleRate(96000.0), ASE_NoClock);

    ASIOClockSource list[8] = {};
    long count = 3;
    ASSERT_EQ(driver->getClockSources(list, &count), ASE_OK);
    EXPECT_EQ(count, 3);
    count = 8;
    ASSERT_EQ(driver->getClockSources(list, &count), ASE_OK);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(list[2].isCurrentSource, ASIOTrue) << "word clock, as stored";
}

TEST_F(Clocks, TheInternalClockKeepsTheRateItRunsAtAndSetsOnlyTheTwoItMakes) {
    StoreRate(44100.0f, 0);
    auto driver = openInitialised();  // init takes 48 kHz
    ASSERT_TRUE(driver);
    Host host;
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    ASSERT_EQ(driver->createBuffers(infos.data(), 1, 256, host.callbacks()), ASE_OK);
    ASSERT_EQ(driver->setClockSource(3), ASE_OK);
    EXPECT_EQ(QuorviGetMasterClock(), 4);
    double rate = 0;
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 48000.0);

    EXPECT_EQ(driver->setSampleRate(44100.0), ASE_OK);
    EXPECT_EQ(QuorviGetMasterClock(), 3);
    EXPECT_EQ(host.rateChanges(), std::vector<double>{44100.0});
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(rate, 44100.0);
    EXPECT_EQ(driver->setSampleRate(32000.0), ASE_NoClock);
    ASSERT_EQ(driver->setClockSource(3), ASE_OK);
    EXPECT_EQ(QuorviGetMasterClock(), 3) << "44.1 kHz kept";
    EXPECT_EQ(driver->setClockSource(5), ASE_InvalidParameter);

    // A refused update is not reported as done.
    boards_.control("fail QUORVI_SYS_UPDATE 31 once");
    testkit::MessageBoxCatcher boxes;
    boxes.Expect(IDOK);
    EXPECT_EQ(driver->setSampleRate(48000.0), ASE_HWMalfunction);
    EXPECT_EQ(host.rateChanges().size(), 1u);
}

// The rest of the system stores the clock code only when the rate moves.
TEST_F(Clocks, AChosenSourceStaysCurrentUntilTheStoredCodeChanges) {
    StoreRate(48000.0f, 4);
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    auto current = [&] {
        ASIOClockSource list[5];
        long count = 5;
        EXPECT_EQ(driver->getClockSources(list, &count), ASE_OK);
        for (long i = 0; i < count; ++i)
            if (list[i].isCurrentSource) return i;
        return -1L;
    };
    EXPECT_EQ(current(), 3);
    ASSERT_EQ(driver->setClockSource(0), ASE_OK);
    EXPECT_EQ(QuorviGetMasterClock(), 0);
    EXPECT_EQ(current(), 0);
    double rate = 0;
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(current(), 0);
    StoreRate(44098.7f, 2);  // word clock measured at 44.1 kHz
    ASSERT_EQ(driver->getSampleRate(&rate), ASE_OK);
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(rate, 44100.0);
    // The internal clock then keeps the rate the host was told.
    ASSERT_EQ(driver->setClockSource(3), ASE_OK);
    EXPECT_EQ(QuorviGetMasterClock(), 3);
}

TEST_F(Clocks, AnUnknownStoredClockCodeIsReportedAndInitStillSucceeds) {
    StoreRate(48000.0f, 9);
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    EXPECT_EQ(driver->errorMessage(), "Couldn't determine current clock source!");
}

// The control panel runs asiopanel from the system folder of the Windows
// directory and asks the host to reset once it is closed.
TEST_F(Clocks, TheControlPanelRunsAsiopanelAndThenAsksForAReset) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string folder = std::string(windows) + "\\system\\";
    for (const char* file : {"asiopanel.exe", "quorvicore.dll"})
        ASSERT_TRUE(CopyFileA((testkit::ProgramDirectory() + "\\" + file).c_str(), (folder + file).c_str(), FALSE));
    auto driver = openInitialised();
    ASSERT_TRUE(driver);
    Host host;
    std::vector<ASIOBufferInfo> infos = {{ASIOFalse, 0, {}}};
    ASSERT_EQ(driver->createBuffers(infos.data(), 1, 256, host.callbacks()), ASE_OK);

    ASIOError result = ASE_NotPresent;
    std::thread panel([&] { result = driver->controlPanel(); });
    HWND dialog = testkit::WaitForTopWindow("", "Latency & Channel Reservation", 20000);
    if (dialog) testkit::PostClick(testkit::Control(dialog, IDCANCEL));
    panel.join();
    EXPECT_EQ(result, ASE_OK);
    EXPECT_EQ(host.messages(), std::vector<long>{kAsioResetRequest});
    for (const char* file : {"asiopanel.exe", "quorvicore.dll"}) DeleteFileA((folder + file).c_str());
}

}  // namespace
