#include "Element.h"

#include "Mixer.h"

namespace quorvix {

namespace {

// The class identifier each kind writes into the project stream.
const GUID kClassIds[] = {
    {0x6D8010C7, 0x538D, 0x4CAD, {0xA6, 0x53, 0x60, 0x9F, 0x5D, 0x4E, 0x9D, 0xBA}},  // Clock
    {0x24920FC2, 0x6E41, 0x4EBD, {0xB0, 0x95, 0x12, 0x21, 0x02, 0xC7, 0xF6, 0x18}},  // PhysicalInput
    {0x4F1913A0, 0xCCBE, 0x4E17, {0xB1, 0x72, 0x17, 0x8A, 0xD0, 0xF3, 0x18, 0x24}},  // PhysicalOutput
    {0x55562284, 0xD442, 0x4716, {0xBD, 0xA4, 0x50, 0x4A, 0xD0, 0x36, 0xC7, 0xAC}},  // InputStream
    {0x4F025712, 0xE86C, 0x4038, {0xB3, 0xCD, 0x41, 0xA2, 0x46, 0x84, 0xB6, 0x05}},  // MonitorBus
    {0xE2558FE5, 0xD231, 0x4671, {0xAA, 0xEE, 0x10, 0xC6, 0xC3, 0x22, 0xE7, 0x93}},  // InputChannel
    {0x9FA1EDF6, 0xCC89, 0x49AC, {0xB3, 0x98, 0x3B, 0x52, 0xF8, 0xF7, 0x64, 0x74}},  // OutputChannel
    {0x921ED8C9, 0x5764, 0x4ADA, {0x95, 0xED, 0xBE, 0x00, 0x24, 0x52, 0x77, 0x63}},  // MonitorOutput
    {0x387ED366, 0x67C9, 0x4635, {0x89, 0x73, 0x9E, 0xC5, 0x33, 0x09, 0x0B, 0x71}},  // StreamOutput
};
static_assert(std::size(kClassIds) == static_cast<int>(ElementKind::StreamOutput) + 1);

const GUID& ClassIdOf(ElementKind kind) { return kClassIds[static_cast<int>(kind)]; }

}  // namespace

Element::Element(Mixer& mixer, const ElementSpec& spec, std::wstring name)
    : mixer_(mixer), spec_(spec), name_(std::move(name)) {}

void* Element::Interface(REFIID iid) {
    if (iid == IID_IUnknown || iid == IID_IAxElement) return static_cast<IAxElement*>(this);
    if (iid == IID_IPersist) return static_cast<IPersist*>(this);
    switch (spec_.kind) {
    case ElementKind::Clock:
        if (iid == IID_IAxClock) return static_cast<IAxClock*>(this);
        break;
    case ElementKind::PhysicalInput:
        if (iid == IID_IAxPhysicalInput) return static_cast<IAxPhysicalInput*>(this);
        break;
    case ElementKind::PhysicalOutput:
    case ElementKind::MonitorOutput:
        if (iid == IID_IAxPhysicalOutput) return static_cast<IAxPhysicalOutput*>(this);
        break;
    case ElementKind::InputStream:
        if (iid == IID_IAxPlaybackStream) return static_cast<IAxPlaybackStream*>(this);
        break;
    case ElementKind::StreamOutput:
        if (iid == IID_IAxRecordStream) return static_cast<IAxRecordStream*>(this);
        break;
    case ElementKind::MonitorBus:
        if (iid == IID_IAxBus) return static_cast<IAxBus*>(this);
        break;
    case ElementKind::InputChannel:
        if (iid == IID_IAxInputChannel) return static_cast<IAxInputChannel*>(this);
        break;
    case ElementKind::OutputChannel:
        if (iid == IID_IAxOutputChannel) return static_cast<IAxOutputChannel*>(this);
        break;
    }
    LONG kind = 0;
    if (iid == IID_IAxPort && GetKind(&kind) == S_OK) return static_cast<IAxPort*>(this);
    if (iid == IID_IAxChannel && IsChannel()) return static_cast<IAxChannel*>(this);
    return nullptr;
}

STDMETHODIMP Element::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = Interface(iid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) Element::AddRef() { return mixer_.AddRef(); }

STDMETHODIMP_(ULONG) Element::Release() { return mixer_.Release(); }

bool Element::Answers(REFIID iid) { return Interface(iid) != nullptr; }

bool Element::IsChannel() const {
    return spec_.kind == ElementKind::InputChannel || spec_.kind == ElementKind::OutputChannel;
}

ElementLayout Element::layout() const { return {ClassIdOf(spec_.kind), IsChannel()}; }

STDMETHODIMP Element::GetName(BSTR* name) {
    if (!name) return E_POINTER;
    *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Element::GetChannelCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = spec_.channels;
    return S_OK;
}

STDMETHODIMP Element::GetConnectionCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(connections_.size());
    return S_OK;
}

STDMETHODIMP Element::GetConnection(LONG index, IAxElement** element) {
    if (!element) return E_POINTER;
    *element = nullptr;
    if (index < 0 || index >= static_cast<LONG>(connections_.size())) return E_INVALIDARG;
    *element = connections_[index];
    (*element)->AddRef();
    return S_OK;
}

STDMETHODIMP Element::GetClassID(CLSID* id) {
    if (!id) return E_POINTER;
    *id = ClassIdOf(spec_.kind);
    return S_OK;
}

STDMETHODIMP Element::GetSampleRate(LONG* hertz) {
    if (!hertz) return E_POINTER;
    *hertz = mixer_.SampleRate();
    return S_OK;
}

STDMETHODIMP Element::GetKind(LONG* kind) {
    if (!kind) return E_POINTER;
    switch (spec_.kind) {
    case ElementKind::PhysicalInput: *kind = AX_PORT_DIGITAL_IN; return S_OK;
    case ElementKind::PhysicalOutput: *kind = AX_PORT_DIGITAL_OUT; return S_OK;
    case ElementKind::InputStream: *kind = AX_PORT_STREAM_IN; return S_OK;
    case ElementKind::StreamOutput: *kind = AX_PORT_STREAM_OUT; return S_OK;
    case ElementKind::MonitorOutput: *kind = AX_PORT_ANALOG_OUT; return S_OK;
    default: return E_NOINTERFACE;
    }
}

template <class Read>
HRESULT Element::ReadSend(IAxBus* bus, Read read) {
    if (!bus) return E_POINTER;
    if (mixer_.BusIndex(bus) < 0) return E_INVALIDARG;
    std::lock_guard lock(lock_);
    read(mixer_.ReadEntry(spec_.board, spec_.entry));
    return S_OK;
}

template <class Change>
HRESULT Element::ChangeSend(IAxBus* bus, Change change) {
    if (!bus) return E_POINTER;
    if (mixer_.BusIndex(bus) < 0) return E_INVALIDARG;
    std::lock_guard lock(lock_);
    SendValues values = mixer_.ReadEntry(spec_.board, spec_.entry);
    change(values);
    HRESULT hr = mixer_.ChangeEntry(spec_.board, spec_.entry, values);
    if (SUCCEEDED(hr)) dirty_ = true;
    return hr;
}

STDMETHODIMP Element::GetSendLevel(IAxBus* bus, float* level) {
    if (!level) return E_POINTER;
    return ReadSend(bus, [&](const SendValues& v) { *level = v.level; });
}

STDMETHODIMP Element::SetSendLevel(IAxBus* bus, float level) {
    if (!ValidLevel(level)) return bus ? E_INVALIDARG : E_POINTER;
    return ChangeSend(bus, [&](SendValues& v) { v.level = level; });
}

STDMETHODIMP Element::GetSendPan(IAxBus* bus, float* pan) {
    if (!pan) return E_POINTER;
    return ReadSend(bus, [&](const SendValues& v) { *pan = v.pan; });
}

STDMETHODIMP Element::SetSendPan(IAxBus* bus, float pan) {
    if (!ValidPan(pan)) return bus ? E_INVALIDARG : E_POINTER;
    return ChangeSend(bus, [&](SendValues& v) { v.pan = pan; });
}

STDMETHODIMP Element::GetSendMute(IAxBus* bus, LONG* mute) {
    if (!mute) return E_POINTER;
    return ReadSend(bus, [&](const SendValues& v) { *mute = v.mute; });
}

STDMETHODIMP Element::SetSendMute(IAxBus* bus, LONG mute) {
    return ChangeSend(bus, [&](SendValues& v) { v.mute = mute != 0 ? 1 : 0; });
}

STDMETHODIMP Element::GetMeter(float* peak, LONG* flags) {
    if (!peak || !flags) return E_POINTER;
    *peak = 0;
    *flags = 0;
    HRESULT hr = mixer_.ReadMeter(spec_.board, spec_.entry, *peak);
    if (SUCCEEDED(hr)) *flags = AX_METER_PEAK;
    return hr;
}

ElementState Element::SaveState() {
    ElementState state;
    if (!IsChannel()) return state;
    std::lock_guard lock(lock_);
    state.sends.push_back({0, mixer_.ReadEntry(spec_.board, spec_.entry)});
    return state;
}

bool Element::Commit(const ElementState& state) {
    bool changed = false;
    std::lock_guard lock(lock_);
    for (const SendAt& send : state.sends) {
        changed |= mixer_.StoreEntry(spec_.board, spec_.entry, send.values);
    }
    return changed;
}

bool Element::InitNew() {
    if (!IsChannel()) return false;
    std::lock_guard lock(lock_);
    return mixer_.StoreEntry(spec_.board, spec_.entry, mixer_.StartingEntry(spec_.board, spec_.entry));
}

bool Element::IsDirty() {
    std::lock_guard lock(lock_);
    return dirty_;
}

void Element::ClearDirty() {
    std::lock_guard lock(lock_);
    dirty_ = false;
}

}  // namespace quorvix
