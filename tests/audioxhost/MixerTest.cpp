// The mixer plug-in as a host drives it, loaded in this process against
// in-process virtual boards: what it shows, what the boards are told, its
// meters, its property and its part of the host's project.
#include <gtest/gtest.h>
#include <objidl.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <thread>

#include "HostKit.h"
#include "quorvi/DriverRequests.h"
#include "quorvi/QuorviCore.h"
#include "testkit/Process.h"
#include "testkit/Registry.h"
#include "testkit/SystemDir.h"
#include "vboard/InProcessBoards.h"
#include "win/Device.h"

using namespace audioxhost;
using namespace vboard;

namespace {

constexpr HRESULT kNotFound = HRESULT_FROM_WIN32(ERROR_NOT_FOUND);          // 0x80070490
constexpr HRESULT kSetNotFound = HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);   // 0x80070492

DriverConfig Boards(std::uint32_t count) {
    DriverConfig c;
    c.boards = count;
    return c;
}

// A bus of somebody else's.
class ForeignBus final : public IAxBus {
public:
    STDMETHODIMP QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
};

class MixerTest : public ::testing::Test {
protected:
    // The plug-in is found where hosts find it, so it is registered for
    // the suite.
    static void SetUpTestSuite() {
        PluginModule plugin(PluginPath());
        ASSERT_TRUE(plugin.loaded());
        ASSERT_EQ(plugin.Register(), S_OK);
        std::vector<CLSID> mixers = RegisteredMixers();
        ASSERT_EQ(mixers.size(), 1u);
        mixerClass = mixers.front();
    }
    static void TearDownTestSuite() { EXPECT_EQ(PluginModule(PluginPath()).Unregister(), S_OK); }

    void TearDown() override { Close(); }

    void Open(std::uint32_t count) {
        boards = std::make_unique<InProcessBoards>(Boards(count));
        ASSERT_TRUE(boards->serving());
        plugin = std::make_unique<PluginModule>(PluginPath());
        ASSERT_TRUE(plugin->loaded());
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(plugin->ClassObject(mixerClass, factory), S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAxMixer, mixer.putVoid()), S_OK);
        bus = MonitorBus(mixer.get());
        ASSERT_TRUE(bus);
    }
    void Close() {
        bus.reset();
        mixer.reset();
        plugin.reset();
        boards.reset();
    }

    ComPtr<IAxChannel> Channel(const std::string& name) {
        ComPtr<IAxChannel> channel = FindChannel(mixer.get(), name);
        EXPECT_TRUE(channel) << name;
        return channel;
    }
    // The blocks the board received, in order.
    std::vector<quorvi::ParameterBlock> Sent(int board) {
        std::vector<quorvi::ParameterBlock> blocks;
        for (const LogEntry& e : boards->log(quorvi::QUORVI_SET_PARAM)) {
            quorvi::ParameterBlock block;
            if (e.board != board || e.input.size() != 4 + sizeof block) continue;
            std::memcpy(&block, e.input.data() + 4, sizeof block);
            blocks.push_back(block);
        }
        return blocks;
    }
    size_t Count(std::uint32_t code) { return boards->log(code).size(); }
    HRESULT Save(IStream* stream) {
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(mixer.As(IID_IPersistStreamInit, persist), S_OK);
        return persist->Save(stream, TRUE);
    }
    HRESULT Load(IStream* stream) {
        ComPtr<IPersistStreamInit> persist;
        EXPECT_EQ(mixer.As(IID_IPersistStreamInit, persist), S_OK);
        return persist->Load(stream);
    }
    float Level(const std::string& name) {
        float level = -1;
        EXPECT_EQ(Channel(name)->GetSendLevel(bus.get(), &level), S_OK);
        return level;
    }

    static inline CLSID mixerClass{};
    testkit::RegistrySandbox settings;
    testkit::SystemDirSandbox setupFiles{{"*.ssf"}};
    std::unique_ptr<InProcessBoards> boards;
    std::unique_ptr<PluginModule> plugin;
    ComPtr<IAxMixer> mixer;
    ComPtr<IAxBus> bus;
};

ComPtr<IStream> MemoryStream(const std::vector<std::uint8_t>& bytes = {}) {
    ComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

std::vector<std::uint8_t> StreamBytes(IStream* stream) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<std::uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

}  // namespace

TEST_F(MixerTest, ElementsAreNamedAndNumberedForOneAndForTwoBoards) {
    Open(1);
    auto inputs = Names(List(mixer.get(), &IAxMixer::EnumPhysicalInputs));
    ASSERT_EQ(inputs.size(), 16u);
    EXPECT_EQ(inputs.front(), "Quorvi #1, In A:1");
    EXPECT_EQ(inputs.back(), "Quorvi #1, In B:8");
    auto outputs = Names(List(mixer.get(), &IAxMixer::EnumPhysicalOutputs));
    ASSERT_EQ(outputs.size(), 17u) << "16 optical outputs and the monitor output";
    EXPECT_EQ(outputs[8], "Quorvi #1,Out B:1");
    EXPECT_EQ(outputs.back(), "Analog Monitor Out (Stereo)");
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumPlaybackStreams)).back(), "Input Stream 16");
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumInputChannels)).back(), "Input Channel 16");
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumOutputChannels)).back(), "Output Channel 16");
    EXPECT_EQ(List(mixer.get(), &IAxMixer::EnumChannels).size(), 32u);
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumClocks)),
              std::vector<std::string>{"Internal Clock @ 44.1kHz"});
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumRecordStreams)),
              (std::vector<std::string>{"Audio Stream Ouput 1 (Stereo)", "Audio Stream Output 2 (Stereo)"}));
    EXPECT_EQ(List(mixer.get(), &IAxMixer::EnumElements).size(), 1 + 5 * 16 + 1 + 1 + 2u);
    Close();

    Open(2);
    auto all = List(mixer.get(), &IAxMixer::EnumElements);
    EXPECT_EQ(all.size(), 1 + 5 * 32 + 1 + 1 + 2u);
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumPhysicalInputs))[16], "Quorvi #2, In A:1");
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumOutputChannels)).back(), "Output Channel 32");
    EXPECT_EQ(Names(List(mixer.get(), &IAxMixer::EnumPlaybackStreams)).back(), "Input Stream 32");
    // Even port kinds bring audio in: the optical inputs and the host's streams.
    EXPECT_EQ(List(mixer.get(), &IAxMixer::EnumInputPorts).size(), 64u);
    EXPECT_EQ(List(mixer.get(), &IAxMixer::EnumOutputPorts).size(), 32 + 1 + 2u);
    EXPECT_EQ(List(mixer.get(), &IAxMixer::EnumPorts).size(), 64 + 35u);

    ComPtr<IAxElement> jack = FindElement(mixer.get(), "Quorvi #2, In B:3");
    ComPtr<IAxElement> fed;
    ASSERT_EQ(jack->GetConnection(0, fed.put()), S_OK);
    EXPECT_EQ(NameOf(fed.get()), "Input Channel 27") << "board 2, interface B channel 3";
    EXPECT_EQ(jack->GetConnection(1, fed.put()), E_INVALIDARG);
}

TEST_F(MixerTest, MutingWritesZeroToBothGainsAndUnmutingTheLevelAgain) {
    Open(2);
    ComPtr<IAxChannel> input = Channel("Input Channel 19");    // board 2, input A:3
    ComPtr<IAxChannel> output = Channel("Output Channel 5");   // board 1, output A:5
    ASSERT_EQ(input->SetSendLevel(bus.get(), 0.5f), S_OK);
    ASSERT_EQ(output->SetSendLevel(bus.get(), 1.0f), S_OK);
    ASSERT_EQ(input->SetSendMute(bus.get(), 1), S_OK);
    ASSERT_EQ(input->SetSendMute(bus.get(), 0), S_OK);

    std::vector<quorvi::ParameterBlock> board2 = Sent(1);
    ASSERT_EQ(board2.size(), 3u);
    EXPECT_EQ(board2[0].gainA[4], 65535u);
    EXPECT_EQ(board2[0].gainA[5], 65535u);
    EXPECT_EQ(board2[1].gainA[4], 0u);
    EXPECT_EQ(board2[1].gainA[5], 0u);
    EXPECT_EQ(board2[2].gainA[4], 65535u);
    EXPECT_EQ(board2[2].gainA[5], 65535u);
    std::vector<quorvi::ParameterBlock> board1 = Sent(0);
    ASSERT_EQ(board1.size(), 1u) << "a change goes to its own board only";
    EXPECT_EQ(board1[0].gainB[8], 131071u);
    EXPECT_EQ(board1[0].gainB[9], 131071u);
    EXPECT_EQ(Count(quorvi::QUORVI_HC_GET_PARAMS), 4u) << "each change reads the block first";

    LONG mute = -1;
    EXPECT_EQ(input->GetSendMute(bus.get(), &mute), S_OK);
    EXPECT_EQ(mute, 0);
}

TEST_F(MixerTest, APanChangeSendsTheBlockWithUnchangedGains) {
    Open(1);
    ComPtr<IAxChannel> input = Channel("Input Channel 2");
    ASSERT_EQ(input->SetSendLevel(bus.get(), 0.25f), S_OK);
    ASSERT_EQ(input->SetSendPan(bus.get(), -0.75f), S_OK);
    std::vector<quorvi::ParameterBlock> sent = Sent(0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(std::memcmp(&sent[0], &sent[1], sizeof sent[0]), 0);
    float pan = 0;
    EXPECT_EQ(input->GetSendPan(bus.get(), &pan), S_OK);
    EXPECT_EQ(pan, -0.75f);
}

TEST_F(MixerTest, StartingLevelsComeFromTheStoredSettingsAndOnlyGainsAreWritten) {
    auto record = std::make_unique<quorvi::SettingsRecord>();
    ASSERT_EQ(QuorviGetRegSettings(record.get(), 1), 1);
    record->device.boards[0].levelA[2] = 34;
    record->device.boards[0].levelB[5] = 68;
    ASSERT_EQ(QuorviSetRegSettings(record.get()), 1);
    Open(1);
    EXPECT_FLOAT_EQ(Level("Input Channel 3"), 0.5f);
    EXPECT_FLOAT_EQ(Level("Output Channel 6"), 1.0f);

    // What the rest of the suite last gave the board: a master gain and the
    // high-rate bit.
    quorvi::ParameterBlock before;
    std::memset(&before, 0, sizeof before);
    before.masterGain[0] = 0x1234;
    before.options = 0x80 | 0x3;
    std::vector<std::uint8_t> set(4 + sizeof before);
    std::memcpy(set.data() + 4, &before, sizeof before);
    win::Device device(quorvi::kDeviceNameNT, 0, 0, OPEN_EXISTING, 0);
    ASSERT_TRUE(device.control(quorvi::QUORVI_SET_PARAM, set.data(), static_cast<DWORD>(set.size()), nullptr, 0));

    ASSERT_EQ(Channel("Input Channel 1")->SetSendMute(bus.get(), 1), S_OK);
    quorvi::ParameterBlock sent = Sent(0).back();
    EXPECT_EQ(sent.gainA[4], 65535u);
    EXPECT_EQ(sent.gainB[10], 131071u);
    EXPECT_EQ(sent.gainA[6], 0u);
    EXPECT_EQ(sent.masterGain[0], 0x1234u);
    EXPECT_EQ(sent.options, 0x83u) << "the board's high-rate bit stays as the board has it";
}

TEST_F(MixerTest, SendsRefuseForeignBusesBadValuesAndNullPointers) {
    Open(1);
    ComPtr<IAxChannel> channel = Channel("Output Channel 1");
    ForeignBus foreign;
    float value = 0;
    LONG mute = 0;
    EXPECT_EQ(channel->SetSendLevel(&foreign, 0.5f), E_INVALIDARG);
    EXPECT_EQ(channel->GetSendMute(&foreign, &mute), E_INVALIDARG);
    EXPECT_EQ(channel->SetSendLevel(bus.get(), 1.5f), E_INVALIDARG);
    EXPECT_EQ(channel->SetSendLevel(bus.get(), std::nanf("")), E_INVALIDARG);
    EXPECT_EQ(channel->SetSendPan(bus.get(), -1.01f), E_INVALIDARG);
    EXPECT_EQ(channel->SetSendLevel(nullptr, 0.5f), E_POINTER);
    EXPECT_EQ(channel->GetSendLevel(bus.get(), nullptr), E_POINTER);
    EXPECT_EQ(channel->GetSendPan(nullptr, &value), E_POINTER);
    EXPECT_EQ(channel->GetMeter(nullptr, &mute), E_POINTER);
    EXPECT_EQ(Count(quorvi::QUORVI_SET_PARAM), 0u) << "nothing refused reaches the board";

    IAxEnumElements* list = reinterpret_cast<IAxEnumElements*>(1);
    EXPECT_EQ(mixer->EnumElements(nullptr), E_POINTER);
    EXPECT_EQ(mixer->EnumOutputChannels(nullptr), E_POINTER);
    ASSERT_EQ(mixer->EnumBuses(&list), S_OK);
    EXPECT_EQ(list->Next(2, nullptr, nullptr), E_POINTER);
    list->Release();
    ComPtr<IAxElement> element = FindElement(mixer.get(), "Monitor Bus (Stereo)");
    EXPECT_EQ(element->GetName(nullptr), E_POINTER);
    EXPECT_EQ(element->GetConnection(0, nullptr), E_POINTER);
    ComPtr<IAxChannel> notAChannel;
    EXPECT_EQ(element.As(IID_IAxChannel, notAChannel), E_NOINTERFACE);
}

// A change the board did not take is not kept either: the host hears of it,
// and the next change does not carry it to the board after all.
TEST_F(MixerTest, ARefusedChangeKeepsThePreviousValue) {
    Open(1);
    ComPtr<IAxChannel> channel = Channel("Input Channel 4");
    ASSERT_EQ(channel->SetSendLevel(bus.get(), 1.0f), S_OK);
    boards->control("fail QUORVI_SET_PARAM 31 once");
    EXPECT_EQ(channel->SetSendMute(bus.get(), 1), HRESULT_FROM_WIN32(31));
    LONG mute = -1;
    EXPECT_EQ(channel->GetSendMute(bus.get(), &mute), S_OK);
    EXPECT_EQ(mute, 0);
    boards->control("fail QUORVI_HC_GET_PARAMS 5 once");
    EXPECT_EQ(channel->SetSendLevel(bus.get(), 0.5f), HRESULT_FROM_WIN32(5));
    EXPECT_FLOAT_EQ(Level("Input Channel 4"), 1.0f);

    ASSERT_EQ(Channel("Input Channel 5")->SetSendPan(bus.get(), 0.5f), S_OK);
    EXPECT_EQ(Sent(0).back().gainA[6], 131071u);
}

// Each change reads a board's block, changes it and writes it back. From
// several threads at once, with meters read meanwhile, no read-change-write
// may interleave with another of the same board, or a change is lost.
TEST_F(MixerTest, ChangesFromManyThreadsNeverInterleaveOnABoard) {
    Open(2);
    std::vector<ComPtr<IAxChannel>> channels;
    for (int n : {1, 2, 3, 4, 5, 6, 17, 18}) channels.push_back(Channel("Input Channel " + std::to_string(n)));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < channels.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 1; i <= 10; ++i) channels[t]->SetSendLevel(bus.get(), i / 10.0f * (t + 1) / 8);
        });
    }
    ComPtr<IAxChannel> metered = Channel("Output Channel 1");
    threads.emplace_back([&] {
        float peak;
        LONG flags;
        for (int i = 0; i < 20; ++i) metered->GetMeter(&peak, &flags);
    });
    for (auto& t : threads) t.join();

    for (int board : {0, 1}) {
        std::string order;
        for (const LogEntry& e : boards->log()) {
            if (e.board != board) continue;
            if (e.code == quorvi::QUORVI_HC_GET_PARAMS) order += 'G';
            if (e.code == quorvi::QUORVI_SET_PARAM) order += 'S';
        }
        std::string alternating;
        for (size_t i = 0; i < order.size() / 2; ++i) alternating += "GS";
        EXPECT_EQ(order, alternating) << "board " << board + 1;
    }
    quorvi::ParameterBlock first = Sent(0).back(), second = Sent(1).back();
    for (size_t t = 0; t < channels.size(); ++t) {
        auto gain = static_cast<std::uint32_t>(static_cast<double>((t + 1) / 8.0f) * 131071);
        EXPECT_EQ(t < 6 ? first.gainA[2 * t] : second.gainA[2 * (t - 6)], gain) << "thread " << t;
    }
}

TEST_F(MixerTest, MetersGiveThePeakOfTheirMeterWordSinceTheLastRead) {
    Open(2);
    boards->control("signal 0 2 steady 4194304");   // output 3 of board 1
    boards->control("signal 1 20 steady 8388607");  // input A:5 of board 2
    float peak = 0;
    LONG flags = 0;
    ASSERT_EQ(Channel("Output Channel 3")->GetMeter(&peak, &flags), S_OK);
    EXPECT_NEAR(peak, 0.5f, 1e-6);
    EXPECT_EQ(flags, AX_METER_PEAK);
    EXPECT_EQ(Count(quorvi::QUORVI_GET_STATUS), 2u) << "one poll reads every board";
    ASSERT_EQ(Channel("Input Channel 21")->GetMeter(&peak, &flags), S_OK);
    EXPECT_FLOAT_EQ(peak, 1.0f);
    EXPECT_EQ(Count(quorvi::QUORVI_GET_STATUS), 2u) << "its peak came with that poll";
    ASSERT_EQ(Channel("Output Channel 3")->GetMeter(&peak, &flags), S_OK);
    EXPECT_EQ(Count(quorvi::QUORVI_GET_STATUS), 4u) << "a peak already read polls again";
}

// A poll that fails partway must not leave the boards it missed looking
// freshly polled: their next read polls instead of passing off an old peak.
TEST_F(MixerTest, AFailedPollReportsAFailureAndLeavesNoStalePeak) {
    Open(2);
    boards->control("signal 1 3 steady 1000");
    float peak = 0;
    LONG flags = 0;
    ASSERT_EQ(Channel("Output Channel 1")->GetMeter(&peak, &flags), S_OK);  // polls both boards
    boards->control("signal 1 3 steady 3000");
    boards->control("fail QUORVI_GET_STATUS 21 board 1 once");
    EXPECT_EQ(Channel("Output Channel 1")->GetMeter(&peak, &flags), E_FAIL);
    EXPECT_EQ(peak, 0.0f);
    EXPECT_EQ(flags, 0);
    size_t polls = Count(quorvi::QUORVI_GET_STATUS);
    ASSERT_EQ(Channel("Output Channel 20")->GetMeter(&peak, &flags), S_OK);  // board 2, output A:4
    EXPECT_GT(Count(quorvi::QUORVI_GET_STATUS), polls);
    EXPECT_NEAR(peak, 3000 / 8388607.0, 1e-9);
}

TEST_F(MixerTest, TheMixerPropertyIsTheFixedSampleRate) {
    Open(1);
    ComPtr<IAxPropertySet> properties;
    ASSERT_EQ(mixer.As(IID_IAxPropertySet, properties), S_OK);
    LONG rate = 0;
    ULONG returned = 0;
    auto* data = reinterpret_cast<BYTE*>(&rate);
    ASSERT_EQ(properties->GetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, data, 4, &returned), S_OK);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(returned, 4u);
    rate = 48000;
    EXPECT_EQ(properties->SetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, data, 4), E_INVALIDARG);
    rate = 44100;
    EXPECT_EQ(properties->SetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, data, 4), S_OK);
    EXPECT_EQ(properties->SetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, data, 2), E_INVALIDARG);
    EXPECT_EQ(properties->GetProperty(AXPROPSETID_Mixer, 2, data, 4, &returned), kNotFound);
    EXPECT_EQ(properties->GetProperty(AXPROPSETID_OneBandEq, 1, data, 4, &returned), kSetNotFound);
    EXPECT_EQ(properties->SetProperty(AXPROPSETID_OneBandEq, 1, data, 4), kSetNotFound);
    EXPECT_EQ(properties->GetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, nullptr, 4, &returned), E_POINTER);
    EXPECT_EQ(properties->GetProperty(AXPROPSETID_Mixer, AX_MIXER_SAMPLE_RATE, data, 2, &returned), E_INVALIDARG);

    ComPtr<IAxClock> clock;
    ASSERT_EQ(List(mixer.get(), &IAxMixer::EnumClocks).front().As(IID_IAxClock, clock), S_OK);
    EXPECT_EQ(clock->GetSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, 44100);
}

TEST_F(MixerTest, TheProjectStreamRoundTripsAndLoadingSendsTheBoardsWhatItHolds) {
    Open(1);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(mixer.As(IID_IPersistStreamInit, persist), S_OK);
    CLSID id{};
    EXPECT_EQ(persist->GetClassID(&id), S_OK);
    EXPECT_EQ(id, mixerClass);
    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 32768u);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);

    ASSERT_EQ(Channel("Input Channel 7")->SetSendLevel(bus.get(), 0.75f), S_OK);
    ASSERT_EQ(Channel("Output Channel 16")->SetSendMute(bus.get(), 1), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ComPtr<IStream> stream = MemoryStream();
    ASSERT_EQ(Save(stream.get()), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    std::vector<std::uint8_t> bytes = StreamBytes(stream.get());
    EXPECT_LE(bytes.size(), 32768u);

    ASSERT_EQ(Channel("Input Channel 7")->SetSendLevel(bus.get(), 0.0f), S_OK);
    ASSERT_EQ(Channel("Output Channel 16")->SetSendMute(bus.get(), 0), S_OK);
    size_t sentBefore = Sent(0).size();
    ASSERT_EQ(Load(MemoryStream(bytes).get()), S_OK);
    EXPECT_FLOAT_EQ(Level("Input Channel 7"), 0.75f);
    LONG mute = 0;
    Channel("Output Channel 16")->GetSendMute(bus.get(), &mute);
    EXPECT_EQ(mute, 1);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    ASSERT_EQ(Sent(0).size(), sentBefore + 1);
    EXPECT_EQ(Sent(0).back().gainA[12], static_cast<std::uint32_t>(0.75 * 131071));
    EXPECT_EQ(Sent(0).back().gainB[30], 0u);

    EXPECT_EQ(persist->Load(nullptr), STG_E_INVALIDPOINTER);
    EXPECT_EQ(persist->Save(nullptr, TRUE), STG_E_INVALIDPOINTER);
}

TEST_F(MixerTest, AProjectOfAnotherVersionOrCutShortChangesNothing) {
    Open(1);
    ASSERT_EQ(Channel("Input Channel 1")->SetSendLevel(bus.get(), 0.5f), S_OK);
    ComPtr<IStream> stream = MemoryStream();
    ASSERT_EQ(Save(stream.get()), S_OK);
    const std::vector<std::uint8_t> saved = StreamBytes(stream.get());
    ASSERT_EQ(Channel("Input Channel 1")->SetSendLevel(bus.get(), 0.25f), S_OK);
    size_t sent = Sent(0).size();

    std::vector<std::uint8_t> newer = saved;
    newer[2] = 0x02;  // version 0x00020000
    EXPECT_EQ(Load(MemoryStream(newer).get()), static_cast<HRESULT>(0x800300FB));
    // Cut inside the last strip's send, before the monitor output, the two
    // stream outputs and the end mark: every strip before it was read whole.
    std::vector<std::uint8_t> cut(saved.begin(), saved.end() - (16 + 2 * 16 + 16) - 5);
    EXPECT_EQ(Load(MemoryStream(cut).get()), STG_E_READFAULT);
    std::vector<std::uint8_t> hostile = saved;
    // The first strip's send count, after the version, the clock, 48 ports
    // and the bus, each a bare class identifier.
    std::uint32_t count = 0xFFFFFFF0;
    std::memcpy(hostile.data() + 4 + 50 * 16 + 16, &count, 4);
    EXPECT_EQ(Load(MemoryStream(hostile).get()), STG_E_DOCFILECORRUPT);

    EXPECT_FLOAT_EQ(Level("Input Channel 1"), 0.25f);
    EXPECT_EQ(Sent(0).size(), sent) << "nothing was sent either";
}

// A board that refuses the project's mix keeps what it had, and the mixer
// shows what the board has, as after a single change that failed.
TEST_F(MixerTest, AProjectTheBoardRefusesLeavesTheMixerAsItWas) {
    Open(1);
    ASSERT_EQ(Channel("Input Channel 1")->SetSendLevel(bus.get(), 0.25f), S_OK);
    ComPtr<IStream> stream = MemoryStream();
    ASSERT_EQ(Save(stream.get()), S_OK);
    const std::vector<std::uint8_t> saved = StreamBytes(stream.get());
    ASSERT_EQ(Channel("Input Channel 1")->SetSendLevel(bus.get(), 0.5f), S_OK);
    ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(mixer.As(IID_IPersistStreamInit, persist), S_OK);
    ASSERT_EQ(persist->IsDirty(), S_OK);

    boards->control("fail QUORVI_SET_PARAM 0x1F once");
    EXPECT_EQ(Load(MemoryStream(saved).get()), HRESULT_FROM_WIN32(0x1F));
    EXPECT_FLOAT_EQ(Level("Input Channel 1"), 0.5f);
    EXPECT_EQ(persist->IsDirty(), S_OK) << "the change not saved is still unsaved";
    boards->control("fail QUORVI_HC_GET_PARAMS 0x1F once");
    EXPECT_TRUE(FAILED(persist->InitNew())) << "nor does starting afresh";
    EXPECT_FLOAT_EQ(Level("Input Channel 1"), 0.5f);

    EXPECT_EQ(Load(MemoryStream(saved).get()), S_OK);
    EXPECT_FLOAT_EQ(Level("Input Channel 1"), 0.25f);
}

TEST_F(MixerTest, AnEndMarkAfterThreeElementsLeavesTheOthersAsTheyAre) {
    Open(1);
    ASSERT_EQ(Channel("Input Channel 9")->SetSendLevel(bus.get(), 0.5f), S_OK);
    ComPtr<IStream> stream = MemoryStream();
    ASSERT_EQ(Save(stream.get()), S_OK);
    std::vector<std::uint8_t> bytes = StreamBytes(stream.get());
    bytes.resize(4 + 3 * 16);  // the clock and two optical inputs carry no data
    bytes.insert(bytes.end(), 16, 0xFF);
    ASSERT_EQ(Channel("Input Channel 9")->SetSendLevel(bus.get(), 0.125f), S_OK);
    EXPECT_EQ(Load(MemoryStream(bytes).get()), S_OK);
    EXPECT_FLOAT_EQ(Level("Input Channel 9"), 0.125f);
}

// Hosts keep the mixer's part inside their own project stream: loading must
// read exactly what saving wrote, so the host's next value is where it put it.
TEST_F(MixerTest, LoadingLeavesTheHostsStreamRightAfterTheMixersPart) {
    Open(1);
    const std::uint32_t hostWord = 0x12345678;
    ComPtr<IStream> stream = MemoryStream();
    ASSERT_EQ(Save(stream.get()), S_OK);
    ULONG done = 0;
    ASSERT_EQ(stream->Write(&hostWord, sizeof hostWord, &done), S_OK);
    std::vector<std::uint8_t> whole = StreamBytes(stream.get());
    std::vector<std::uint8_t> ended(whole.begin(), whole.begin() + 4 + 3 * 16);
    ended.insert(ended.end(), 16, 0xFF);
    ended.insert(ended.end(), whole.end() - sizeof hostWord, whole.end());

    for (const auto& bytes : {whole, ended}) {
        ComPtr<IStream> project = MemoryStream(bytes);
        ASSERT_EQ(Load(project.get()), S_OK);
        std::uint32_t next = 0;
        EXPECT_EQ(project->Read(&next, sizeof next, &done), S_OK);
        EXPECT_EQ(next, hostWord) << bytes.size() << " bytes";
    }
}

TEST_F(MixerTest, OneMixerPerProcessAndNoAggregation) {
    Open(1);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(plugin->ClassObject(mixerClass, factory), S_OK);
    ComPtr<IUnknown> again, outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, again.putVoid()), S_OK);
    ComPtr<IUnknown> first;
    mixer.As(IID_IUnknown, first);
    EXPECT_EQ(first.get(), again.get());
    EXPECT_EQ(factory->CreateInstance(first.get(), IID_IUnknown, outer.putVoid()), CLASS_E_NOAGGREGATION);
    ComPtr<IClassFactory> none;
    EXPECT_EQ(plugin->ClassObject(IID_IAxMixer, none), CLASS_E_CLASSNOTAVAILABLE);

    ComPtr<IUnknown> marshaler;
    EXPECT_EQ(mixer.As(IID_IMarshal, marshaler), S_OK) << "free-threaded";
    marshaler.reset();
    EXPECT_EQ(plugin->CanUnloadNow(), S_FALSE);
    factory.reset();
    again.reset();
    first.reset();
    bus.reset();
    mixer.reset();
    EXPECT_EQ(plugin->CanUnloadNow(), S_OK);
}

TEST_F(MixerTest, AMixerThatCannotOpenTheBoardsFailsEveryCreation) {
    boards = std::make_unique<InProcessBoards>(Boards(1));
    boards->control("fail open 2");
    plugin = std::make_unique<PluginModule>(PluginPath());
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(plugin->ClassObject(mixerClass, factory), S_OK);
    boards->control("clear-failures");
    ComPtr<IAxMixer> none;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxMixer, none.putVoid()), E_FAIL);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAxMixer, none.putVoid()), E_FAIL);
}

// The device is opened in the platform's form: the NT name here, the
// Windows 9x name with disposition 0 in a host that Wine runs as Windows 98.
TEST_F(MixerTest, TheDeviceIsOpenedInThePlatformsForm) {
    Open(1);
    ASSERT_FALSE(boards->opens().empty());
    OpenEntry nt = boards->opens().front();
    EXPECT_EQ(nt.name, quorvi::kDeviceNameNT);
    EXPECT_EQ(nt.args.access, 0u);
    EXPECT_EQ(nt.args.share, unsigned(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    EXPECT_EQ(nt.args.disposition, unsigned(OPEN_EXISTING));

    testkit::WindowsVersionSetting win98("audiox_host.exe", "win98");
    testkit::RunResult run = testkit::RunProgram(testkit::ProgramDirectory() + "\\audiox_host.exe", "tree");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u);
    OpenEntry nine = boards->opens().back();
    EXPECT_EQ(nine.name, quorvi::kDeviceName9x);
    EXPECT_EQ(nine.args.access, 0u);
    EXPECT_EQ(nine.args.share, unsigned(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
    EXPECT_EQ(nine.args.disposition, 0u);
}
