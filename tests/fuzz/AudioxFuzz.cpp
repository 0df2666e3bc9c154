// The AudioX mixer plug-in as a hostile host drives it: project streams cut,
// grown and scrambled, property calls with any set, id and size, channel
// values that are no numbers, and boards that answer badly. A refused
// project leaves the mixer as it was; a loaded one saves and loads back to
// itself; values read back stay in their ranges.
#include <windows.h>
#include <objidl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "Hostile.h"
#include "HostKit.h"
#include "vboard/InProcessBoards.h"

using audioxhost::ComPtr;
using fuzz::Bytes;
using fuzz::Rng;

namespace {

ComPtr<IStream> MemoryStream(const Bytes& bytes) {
    ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    ULONG written = 0;
    if (!bytes.empty()) stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

Bytes StreamBytes(IStream* stream) {
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    Bytes bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    if (!bytes.empty()) stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    return bytes;
}

float OddFloat(Rng& rng) {
    static const float values[] = {0.0f, 1.0f, 0.5f, -1.0f, 2.0f, 1e30f, -1e30f, 1e-40f, -0.0f};
    switch (rng.below(4)) {
    case 0: return std::nanf("");
    case 1: return HUGE_VALF * (rng.chance(2) ? 1 : -1);
    case 2: {
        std::uint32_t bits = rng.word();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    default: return values[rng.below(std::size(values))];
    }
}

class AudioxFuzz {
public:
    explicit AudioxFuzz(fuzz::Campaign& campaign) : campaign_(campaign) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        fuzz::DeleteSystemFiles("*.ssf");
        boards_.control("boards 2");
        plugin_ = std::make_unique<audioxhost::PluginModule>(audioxhost::PluginPath());
        plugin_->Register();
        auto mixers = audioxhost::RegisteredMixers();
        if (!mixers.empty()) mixerClass_ = mixers.front();
        Open();
        ComPtr<IStream> stream = MemoryStream({});
        if (persist_) persist_->Save(stream.get(), TRUE);
        saved_ = StreamBytes(stream.get());
    }
    ~AudioxFuzz() {
        Close();
        if (plugin_) plugin_->Unregister();
        plugin_.reset();
        fuzz::DeleteSystemFiles("*.ssf");
        CoUninitialize();
    }

    void Input(Rng& rng) {
        if (!mixer_) return campaign_.Fault("no mixer");
        boards_.control("clear-log");
        Misbehave(rng);
        for (std::uint32_t n = 1 + rng.below(6); n > 0; --n) {
            switch (rng.below(5)) {
            case 0: case 1: Project(rng); break;
            case 2: Properties(rng); break;
            case 3: Channels(rng); break;
            default: Elements(rng); break;
            }
        }
        boards_.control("clear-failures");
        // Now and then the whole plug-in again, as a host reopening a project.
        if (rng.chance(40)) {
            Close();
            Open();
        }
    }

private:
    void Open() {
        ComPtr<IClassFactory> factory;
        if (plugin_->ClassObject(mixerClass_, factory) != S_OK ||
            factory->CreateInstance(nullptr, IID_IAxMixer, mixer_.putVoid()) != S_OK)
            return;
        mixer_.As(IID_IPersistStreamInit, persist_);
        mixer_.As(IID_IAxPropertySet, properties_);
        bus_ = audioxhost::MonitorBus(mixer_.get());
        channels_ = audioxhost::List(mixer_.get(), &IAxMixer::EnumChannels);
    }
    void Close() {
        channels_.clear();
        bus_.reset();
        properties_.reset();
        persist_.reset();
        mixer_.reset();
    }

    void Misbehave(Rng& rng) {
        static const char* const requests[] = {"QUORVI_GET_BOARD_INFO", "QUORVI_HC_GET_PARAMS", "QUORVI_SET_PARAM",
                                               "QUORVI_GET_STATUS"};
        for (std::uint32_t n = rng.below(3); n > 0; --n) {
            std::string command = fuzz::Misbehaviour(rng, requests[rng.below(std::size(requests))]);
            boards_.control(command);
            campaign_.Note(command);
        }
    }

    Bytes Save() {
        ComPtr<IStream> stream = MemoryStream({});
        if (persist_->Save(stream.get(), TRUE) != S_OK) return {};
        return StreamBytes(stream.get());
    }

    // A project of the plug-in's own, damaged; what a refused one leaves and
    // what a loaded one saves.
    void Project(Rng& rng) {
        Bytes project = rng.chance(8) ? rng.bytes(rng.below(40000)) : saved_;
        if (!rng.chance(8)) fuzz::Mutate(rng, project, 40000);
        const Bytes before = Save();
        HRESULT hr = persist_->Load(MemoryStream(project).get());
        if (hr != S_OK) {
            if (SUCCEEDED(hr)) campaign_.Fault("Load answered a success other than S_OK");
            char code[16];
            std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
            // A project refused as read changes nothing; one a board refused
            // changes the boards that took it (the suite's tests hold that
            // the refusing board's strips keep their values).
            if (HRESULT_FACILITY(hr) == FACILITY_WIN32) return campaign_.Tally("refused by a board");
            if (Save() != before) campaign_.Fault(std::string("a refused project changed the mixer, ") + code);
            return;
        }
        campaign_.Tally("loaded");
        const Bytes loaded = Save();
        if (persist_->Load(MemoryStream(loaded).get()) != S_OK) return campaign_.Fault("its own save did not load");
        if (Save() != loaded) campaign_.Fault("a loaded project does not save back to itself");
        if (rng.chance(4)) saved_ = loaded;
    }

    void Properties(Rng& rng) {
        if (!properties_) return;
        GUID set = rng.chance(3) ? AXPROPSETID_Mixer : rng.chance(2) ? AXPROPSETID_OneBandEq : GUID{rng.word()};
        ULONG id = rng.chance(2) ? rng.below(7) : rng.edgyWord();
        Bytes data = rng.bytes(rng.below(12));
        ULONG size = rng.chance(8) ? rng.edgyWord() & 0xFFFF : static_cast<ULONG>(data.size());
        if (size > data.size()) data.resize(size);
        ULONG returned = 0xDEADBEEF;
        if (rng.chance(2)) {
            HRESULT hr = properties_->GetProperty(set, id, rng.chance(10) ? nullptr : data.data(), size,
                                                  rng.chance(10) ? nullptr : &returned);
            if (hr == S_OK && returned > size) campaign_.Fault("a property longer than the host's buffer");
            if (hr == S_OK) campaign_.Tally("property read");
        } else if (properties_->SetProperty(set, id, rng.chance(10) ? nullptr : data.data(), size) == S_OK) {
            campaign_.Tally("property set");
        }
    }

    void Channels(Rng& rng) {
        if (channels_.empty()) return;
        ComPtr<IAxChannel> channel;
        channels_[rng.below(static_cast<std::uint32_t>(channels_.size()))].As(IID_IAxChannel, channel);
        if (!channel) return;
        IAxBus* bus = rng.chance(8) ? nullptr : bus_.get();
        switch (rng.below(4)) {
        case 0: channel->SetSendLevel(bus, OddFloat(rng)); break;
        case 1: channel->SetSendPan(bus, OddFloat(rng)); break;
        case 2: channel->SetSendMute(bus, static_cast<LONG>(rng.edgyWord())); break;
        default: {
            float peak = -5;
            LONG flags = 0;
            if (channel->GetMeter(&peak, &flags) == S_OK && !(peak >= 0 && peak <= 1))
                campaign_.Fault("a meter outside 0..1");
        }
        }
        float level = -5, pan = -5;
        if (channel->GetSendLevel(bus_.get(), &level) == S_OK && !(level >= 0 && level <= 1))
            campaign_.Fault("a send level outside 0..1");
        if (channel->GetSendPan(bus_.get(), &pan) == S_OK && !(pan >= -1 && pan <= 1))
            campaign_.Fault("a send pan outside -1..1");
    }

    void Elements(Rng& rng) {
        ComPtr<IAxEnumElements> list;
        if (mixer_->EnumElements(list.put()) != S_OK) return;
        IAxElement* got[16] = {};
        ULONG fetched = 0;
        if (rng.chance(2)) list->Skip(rng.edgyWord());
        if (SUCCEEDED(list->Next(rng.below(17), got, &fetched))) {
            if (fetched > 16) return campaign_.Fault("more elements fetched than asked for");
            for (ULONG i = 0; i < fetched; ++i) {
                ComPtr<IAxElement> connection;
                if (got[i]) got[i]->GetConnection(static_cast<LONG>(rng.edgyWord()), connection.put());
                if (got[i]) got[i]->Release();
            }
        }
    }

    fuzz::Campaign& campaign_;
    vboard::InProcessBoards boards_;
    std::unique_ptr<audioxhost::PluginModule> plugin_;
    CLSID mixerClass_{};
    ComPtr<IAxMixer> mixer_;
    ComPtr<IPersistStreamInit> persist_;
    ComPtr<IAxPropertySet> properties_;
    ComPtr<IAxBus> bus_;
    std::vector<ComPtr<IAxElement>> channels_;
    Bytes saved_;
};

}  // namespace

int main(int argc, char** argv) {
    fuzz::Options options = fuzz::ParseOptions(argc, argv, 1906, 150, 40000);
    fuzz::Campaign campaign("audiox", options);
    {
        fuzz::BoxRecorder boxes;
        fuzz::OwnTexts texts;
        AudioxFuzz audiox(campaign);
        texts.AddModule(GetModuleHandleA("quorvix.dll"));
        texts.AddModule(GetModuleHandleA("quorvicore.dll"));
        campaign.Run([&](Rng& rng, long) {
            audiox.Input(rng);
            campaign.CheckBoxes(texts, boxes.Take(), "the plug-in's");
        });
    }
    return campaign.Finish();
}
