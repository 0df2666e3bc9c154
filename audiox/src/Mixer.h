#pragma once
// The one mixer of a process: the boards' monitor mix as a tree of elements
// for an AudioX host, its mixer property and its part of the host's project.
// Free-threaded: it aggregates the system's free-threaded marshaler, each
// list and each element has a lock of its own, and each board's entries and
// requests one more, so changes from several threads never cross.
#include <windows.h>
#include <ocidl.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "BoardLink.h"
#include "Element.h"
#include "MeterBank.h"
#include "MixBlock.h"
#include "audiox.h"
#include "quorvi/SettingsRecord.h"
#include "win/ComPtr.h"

namespace quorvix {

// The thirteen lists, in the order of IAxMixer's operations.
enum class ListId {
    All,
    Clocks,
    Ports,
    InputPorts,
    OutputPorts,
    PhysicalInputs,
    PhysicalOutputs,
    PlaybackStreams,
    RecordStreams,
    Buses,
    Channels,
    InputChannels,
    OutputChannels,
    Count,
};

class Mixer final : public IAxMixer, public IAxPropertySet, public IPersistStreamInit {
public:
    // Opens the boards and builds the elements; the error of the first step
    // that failed otherwise.
    static HRESULT Create(std::unique_ptr<Mixer>& mixer);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // IUnknown. The mixer lives as long as the module holds its factory;
    // references only keep the module loaded.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IAxMixer
    STDMETHODIMP EnumElements(IAxEnumElements** list) override;
    STDMETHODIMP EnumClocks(IAxEnumElements** list) override;
    STDMETHODIMP EnumPorts(IAxEnumElements** list) override;
    STDMETHODIMP EnumInputPorts(IAxEnumElements** list) override;
    STDMETHODIMP EnumOutputPorts(IAxEnumElements** list) override;
    STDMETHODIMP EnumPhysicalInputs(IAxEnumElements** list) override;
    STDMETHODIMP EnumPhysicalOutputs(IAxEnumElements** list) override;
    STDMETHODIMP EnumPlaybackStreams(IAxEnumElements** list) override;
    STDMETHODIMP EnumRecordStreams(IAxEnumElements** list) override;
    STDMETHODIMP EnumBuses(IAxEnumElements** list) override;
    STDMETHODIMP EnumChannels(IAxEnumElements** list) override;
    STDMETHODIMP EnumInputChannels(IAxEnumElements** list) override;
    STDMETHODIMP EnumOutputChannels(IAxEnumElements** list) override;

    // IAxPropertySet: the mixer property set.
    STDMETHODIMP GetProperty(REFGUID set, ULONG id, BYTE* data, ULONG size, ULONG* returned) override;
    STDMETHODIMP SetProperty(REFGUID set, ULONG id, const BYTE* data, ULONG size) override;

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* id) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;

    // For the elements.
    LONG SampleRate() const { return sampleRate_; }
    // The bus's position in the list of buses, -1 when it is not one of ours.
    int BusIndex(IAxBus* bus);
    SendValues ReadEntry(int board, int entry);
    // Stores the values and sends the board's mix block; when the board does
    // not take it, the previous values come back and the error is returned.
    HRESULT ChangeEntry(int board, int entry, const SendValues& values);
    // Stores without sending; true when the values changed.
    bool StoreEntry(int board, int entry, const SendValues& values);
    SendValues StartingEntry(int board, int entry) const;
    // The entry's peak since its last read, polling the boards first when
    // that peak was read already.
    HRESULT ReadMeter(int board, int entry, float& value);

private:
    struct Board {
        std::mutex lock;  // the entries and the board's mix requests
        SendValues entries[kBoardEntries];
        SendValues start[kBoardEntries];
    };
    struct List {
        std::mutex lock;
        std::vector<Element*> items;
    };

    Mixer() = default;
    HRESULT Open();
    void Build();
    void File(Element& element);
    HRESULT Enumerate(ListId id, IAxEnumElements** list);
    std::vector<Element*> Snapshot(ListId id);
    HRESULT SendMixLocked(int board);
    // Gives every element a new state (`change` says whether it changed)
    // and sends each board whose mix changed. A board that refuses keeps its
    // mix, and so do its elements here; the first failure is the result.
    HRESULT Apply(const std::function<bool(Element&, std::size_t)>& change);
    HRESULT PollMeters();
    void ClearAllDirty();

    std::atomic<ULONG> refs_{0};
    win::ComPtr<IUnknown> marshaler_;
    std::unique_ptr<BoardLink> link_;
    int boards_ = 0;
    std::array<Board, kNamedBoards> board_;
    std::mutex meterLock_;
    std::unique_ptr<MeterBank> meters_;
    std::vector<std::unique_ptr<Element>> elements_;
    std::array<List, static_cast<int>(ListId::Count)> lists_;
    const LONG sampleRate_ = 44100;
};

}  // namespace quorvix
