#include "Mixer.h"

#include <algorithm>
#include <cstring>

#include "ElementEnum.h"
#include "Module.h"
#include "quorvi/QuorviCore.h"
#include "quorvix.h"

namespace quorvix {

namespace {

// The list each interface fills; the even and odd port lists are filed by
// the port's kind.
struct ListInterface {
    ListId list;
    const IID* iid;
};
const ListInterface kListInterfaces[] = {
    {ListId::All, &IID_IAxElement},
    {ListId::Clocks, &IID_IAxClock},
    {ListId::Ports, &IID_IAxPort},
    {ListId::PhysicalInputs, &IID_IAxPhysicalInput},
    {ListId::PhysicalOutputs, &IID_IAxPhysicalOutput},
    {ListId::PlaybackStreams, &IID_IAxPlaybackStream},
    {ListId::RecordStreams, &IID_IAxRecordStream},
    {ListId::Buses, &IID_IAxBus},
    {ListId::Channels, &IID_IAxChannel},
    {ListId::InputChannels, &IID_IAxInputChannel},
    {ListId::OutputChannels, &IID_IAxOutputChannel},
};

class StreamSource final : public ByteSource {
public:
    explicit StreamSource(IStream* stream) : stream_(stream) {}
    HRESULT Read(void* data, ULONG size) override {
        ULONG got = 0;
        HRESULT hr = stream_->Read(data, size, &got);
        if (FAILED(hr)) return hr;
        return got == size ? S_OK : STG_E_READFAULT;
    }

private:
    IStream* stream_;
};

}  // namespace

HRESULT Mixer::Create(std::unique_ptr<Mixer>& mixer) {
    return Guarded([&] {
        std::unique_ptr<Mixer> made(new Mixer);
        HRESULT hr = made->Open();
        if (SUCCEEDED(hr)) mixer = std::move(made);
        return hr;
    });
}

Mixer::~Mixer() = default;

HRESULT Mixer::Open() {
    win::Device device = BoardLink::OpenDevice();
    if (!device) return E_FAIL;
    link_ = std::make_unique<BoardLink>(std::move(device));
    boards_ = static_cast<int>(std::min<unsigned>(QuorviGetNumberBoards(link_->handle()), kNamedBoards));

    // The stored settings give the starting levels and nothing else.
    auto settings = std::make_unique<quorvi::SettingsRecord>();
    if (!QuorviGetRegSettings(settings.get(), 1)) *settings = {};
    for (int b = 0; b < boards_; ++b) {
        const quorvi::BoardDeviceBlock& stored = settings->device.boards[b];
        Board& board = board_[b];
        for (int k = 0; k < kGroupSize; ++k) {
            board.start[kOutputEntries + k].level = StartingLevel(stored.levelB[k]);
            board.start[kInputEntries + k].level = StartingLevel(stored.levelA[k]);
        }
        std::copy(std::begin(board.start), std::end(board.start), std::begin(board.entries));
    }
    meters_ = std::make_unique<MeterBank>(boards_);

    HRESULT hr = CoCreateFreeThreadedMarshaler(static_cast<IAxMixer*>(this), marshaler_.put());
    if (FAILED(hr)) return hr;
    Build();
    return S_OK;
}

void Mixer::Build() {
    std::vector<ElementSpec> plan = PlanElements(boards_);
    elements_.reserve(plan.size());
    for (const ElementSpec& spec : plan) {
        elements_.push_back(std::make_unique<Element>(*this, spec, LoadWideString(spec.nameId)));
        File(*elements_.back());
    }
    for (auto [from, to] : PlanConnections(plan)) elements_[from]->Connect(*elements_[to]);
}

void Mixer::File(Element& element) {
    auto add = [&](ListId id) {
        List& list = lists_[static_cast<int>(id)];
        std::lock_guard lock(list.lock);
        list.items.push_back(&element);
    };
    for (const ListInterface& li : kListInterfaces) {
        if (element.Answers(*li.iid)) add(li.list);
    }
    LONG kind = 0;
    if (element.GetKind(&kind) == S_OK) add(kind % 2 == 0 ? ListId::InputPorts : ListId::OutputPorts);
}

STDMETHODIMP Mixer::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IAxMixer)
        *out = static_cast<IAxMixer*>(this);
    else if (iid == IID_IAxPropertySet)
        *out = static_cast<IAxPropertySet*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IMarshal)
        return marshaler_->QueryInterface(iid, out);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Mixer::AddRef() {
    LockModule();
    return ++refs_;
}

STDMETHODIMP_(ULONG) Mixer::Release() {
    UnlockModule();
    return --refs_;
}

std::vector<Element*> Mixer::Snapshot(ListId id) {
    List& list = lists_[static_cast<int>(id)];
    std::lock_guard lock(list.lock);
    return list.items;
}

HRESULT Mixer::Enumerate(ListId id, IAxEnumElements** list) {
    if (!list) return E_POINTER;
    *list = nullptr;
    return Guarded([&] {
        *list = ElementEnum::Create(Snapshot(id));
        return *list ? S_OK : E_OUTOFMEMORY;
    });
}

STDMETHODIMP Mixer::EnumElements(IAxEnumElements** list) { return Enumerate(ListId::All, list); }
STDMETHODIMP Mixer::EnumClocks(IAxEnumElements** list) { return Enumerate(ListId::Clocks, list); }
STDMETHODIMP Mixer::EnumPorts(IAxEnumElements** list) { return Enumerate(ListId::Ports, list); }
STDMETHODIMP Mixer::EnumInputPorts(IAxEnumElements** list) { return Enumerate(ListId::InputPorts, list); }
STDMETHODIMP Mixer::EnumOutputPorts(IAxEnumElements** list) { return Enumerate(ListId::OutputPorts, list); }
STDMETHODIMP Mixer::EnumPhysicalInputs(IAxEnumElements** list) {
    return Enumerate(ListId::PhysicalInputs, list);
}
STDMETHODIMP Mixer::EnumPhysicalOutputs(IAxEnumElements** list) {
    return Enumerate(ListId::PhysicalOutputs, list);
}
STDMETHODIMP Mixer::EnumPlaybackStreams(IAxEnumElements** list) {
    return Enumerate(ListId::PlaybackStreams, list);
}
STDMETHODIMP Mixer::EnumRecordStreams(IAxEnumElements** list) {
    return Enumerate(ListId::RecordStreams, list);
}
STDMETHODIMP Mixer::EnumBuses(IAxEnumElements** list) { return Enumerate(ListId::Buses, list); }
STDMETHODIMP Mixer::EnumChannels(IAxEnumElements** list) { return Enumerate(ListId::Channels, list); }
STDMETHODIMP Mixer::EnumInputChannels(IAxEnumElements** list) {
    return Enumerate(ListId::InputChannels, list);
}
STDMETHODIMP Mixer::EnumOutputChannels(IAxEnumElements** list) {
    return Enumerate(ListId::OutputChannels, list);
}

STDMETHODIMP Mixer::GetProperty(REFGUID set, ULONG id, BYTE* data, ULONG size, ULONG* returned) {
    if (set != AXPROPSETID_Mixer) return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
    if (id != AX_MIXER_SAMPLE_RATE) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (!data || !returned) return E_POINTER;
    *returned = 0;
    if (size < sizeof sampleRate_) return E_INVALIDARG;
    std::memcpy(data, &sampleRate_, sizeof sampleRate_);
    *returned = sizeof sampleRate_;
    return S_OK;
}

STDMETHODIMP Mixer::SetProperty(REFGUID set, ULONG id, const BYTE* data, ULONG size) {
    if (set != AXPROPSETID_Mixer) return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
    if (id != AX_MIXER_SAMPLE_RATE) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (!data) return E_POINTER;
    LONG rate = 0;
    if (size != sizeof rate) return E_INVALIDARG;
    std::memcpy(&rate, data, sizeof rate);
    // The boards' mixer runs at one rate only.
    return rate == sampleRate_ ? S_OK : E_INVALIDARG;
}

STDMETHODIMP Mixer::GetClassID(CLSID* id) {
    if (!id) return E_POINTER;
    *id = CLSID_Mixer;
    return S_OK;
}

STDMETHODIMP Mixer::IsDirty() {
    List& all = lists_[static_cast<int>(ListId::All)];
    std::lock_guard lock(all.lock);
    for (Element* e : all.items) {
        if (e->IsDirty()) return S_OK;
    }
    return S_FALSE;
}

STDMETHODIMP Mixer::Load(IStream* stream) {
    if (!stream) return STG_E_INVALIDPOINTER;
    return Guarded([&] {
        std::vector<Element*> all = Snapshot(ListId::All);
        std::vector<ElementLayout> layout;
        for (Element* e : all) layout.push_back(e->layout());
        StreamSource source(stream);
        ProjectRead read = ReadProject(source, layout, Snapshot(ListId::Buses).size());
        if (FAILED(read.result)) return read.result;
        // Everything was read and checked: only now does any element change,
        // and the boards get what the project holds.
        return Apply([&](Element& e, std::size_t i) { return i < read.elements.size() && e.Commit(read.elements[i]); });
    });
}

STDMETHODIMP Mixer::Save(IStream* stream, BOOL clearDirty) {
    if (!stream) return STG_E_INVALIDPOINTER;
    return Guarded([&] {
        std::vector<ElementLayout> layout;
        std::vector<ElementState> states;
        for (Element* e : Snapshot(ListId::All)) {
            layout.push_back(e->layout());
            states.push_back(e->SaveState());
        }
        std::vector<std::uint8_t> bytes = ProjectBytes(layout, states);
        ULONG written = 0;
        HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr)) return hr;
        if (written != bytes.size()) return STG_E_WRITEFAULT;
        if (clearDirty) ClearAllDirty();
        return S_OK;
    });
}

STDMETHODIMP Mixer::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = kProjectMaxSize;
    return S_OK;
}

STDMETHODIMP Mixer::InitNew() {
    return Guarded([&] {
        return Apply([](Element& e, std::size_t) { return e.InitNew(); });
    });
}

void Mixer::ClearAllDirty() {
    for (Element* e : Snapshot(ListId::All)) e->ClearDirty();
}

int Mixer::BusIndex(IAxBus* bus) {
    List& buses = lists_[static_cast<int>(ListId::Buses)];
    std::lock_guard lock(buses.lock);
    for (size_t i = 0; i < buses.items.size(); ++i) {
        if (static_cast<IAxBus*>(buses.items[i]) == bus) return static_cast<int>(i);
    }
    return -1;
}

SendValues Mixer::ReadEntry(int board, int entry) {
    Board& b = board_.at(board);
    std::lock_guard lock(b.lock);
    return b.entries[entry];
}

bool Mixer::StoreEntry(int board, int entry, const SendValues& values) {
    Board& b = board_.at(board);
    std::lock_guard lock(b.lock);
    bool changed = !(b.entries[entry] == values);
    b.entries[entry] = values;
    return changed;
}

SendValues Mixer::StartingEntry(int board, int entry) const { return board_.at(board).start[entry]; }

HRESULT Mixer::ChangeEntry(int board, int entry, const SendValues& values) {
    Board& b = board_.at(board);
    std::lock_guard lock(b.lock);
    SendValues before = b.entries[entry];
    b.entries[entry] = values;
    HRESULT hr = SendMixLocked(board);
    if (FAILED(hr)) b.entries[entry] = before;
    return hr;
}

// The board's lock is held: the block read, changed and written back is
// never interleaved with another change of the same board.
HRESULT Mixer::SendMixLocked(int board) {
    quorvi::ParameterBlock block;
    HRESULT hr = link_->ReadParams(board, block);
    if (FAILED(hr)) return hr;
    WriteMixGains(board_[board].entries, block);
    return link_->WriteParams(board, block);
}

HRESULT Mixer::Apply(const std::function<bool(Element&, std::size_t)>& change) {
    std::vector<Element*> all = Snapshot(ListId::All);
    std::vector<ElementState> before;
    for (Element* e : all) before.push_back(e->SaveState());
    std::vector<bool> changed(boards_);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (change(*all[i], i)) changed[all[i]->spec().board] = true;
    }
    HRESULT first = S_OK;
    for (int b = 0; b < boards_; ++b) {
        if (!changed[b]) continue;
        HRESULT hr;
        {
            std::lock_guard lock(board_[b].lock);
            hr = SendMixLocked(b);
        }
        if (SUCCEEDED(hr)) continue;
        // As with a single change: what the board did not take, the mixer
        // does not show either.
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i]->spec().board == b) all[i]->Commit(before[i]);
        }
        if (SUCCEEDED(first)) first = hr;
    }
    // Unsaved changes stay marked when the boards refused what replaced them.
    if (SUCCEEDED(first)) ClearAllDirty();
    return first;
}

HRESULT Mixer::ReadMeter(int board, int entry, float& value) {
    std::lock_guard lock(meterLock_);
    if (meters_->NeedsPoll(board, entry)) {
        HRESULT hr = PollMeters();
        // What the poll did not reach stays for a later read.
        if (FAILED(hr)) return hr;
    }
    value = meters_->Take(board, entry);
    return S_OK;
}

HRESULT Mixer::PollMeters() {
    for (int b = 0; b < boards_; ++b) {
        std::uint32_t status[kStatusWords];
        if (FAILED(link_->ReadStatus(b, status))) {
            meters_->PollFailed(b);
            return E_FAIL;
        }
        meters_->Absorb(b, status);
    }
    return S_OK;
}

}  // namespace quorvix
