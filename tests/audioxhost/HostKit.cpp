#include "HostKit.h"

#include <cstring>
#include <sstream>

#include "testkit/Process.h"

namespace audioxhost {

namespace {

template <class F>
F Export(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using Simple = HRESULT(STDAPICALLTYPE*)();

HRESULT Call(HMODULE module, const char* name) {
    auto entry = module ? Export<Simple>(module, name) : nullptr;
    return entry ? entry() : E_UNEXPECTED;
}

// The interfaces an element answers, as a host would label them.
std::string Roles(IAxElement* element) {
    struct Role {
        const IID* iid;
        const char* label;
    };
    const Role roles[] = {
        {&IID_IAxClock, "clock"},          {&IID_IAxPhysicalInput, "physical input"},
        {&IID_IAxPhysicalOutput, "physical output"}, {&IID_IAxPlaybackStream, "playback stream"},
        {&IID_IAxRecordStream, "record stream"},     {&IID_IAxBus, "bus"},
        {&IID_IAxInputChannel, "input channel"},     {&IID_IAxOutputChannel, "output channel"},
    };
    std::string text;
    for (const Role& role : roles) {
        ComPtr<IUnknown> answer;
        if (SUCCEEDED(element->QueryInterface(*role.iid, answer.putVoid()))) text += role.label;
    }
    ComPtr<IAxPort> port;
    LONG kind = 0;
    if (SUCCEEDED(element->QueryInterface(IID_IAxPort, port.putVoid())) && SUCCEEDED(port->GetKind(&kind)))
        text += ", port kind " + std::to_string(kind);
    return text;
}

}  // namespace

std::string Narrow(const wchar_t* text, int length) {
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size : 0, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty()) out.pop_back();
    return out;
}

PluginModule::PluginModule(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}

PluginModule::~PluginModule() {
    if (module_) FreeLibrary(module_);
}

HRESULT PluginModule::ClassObject(REFCLSID id, ComPtr<IClassFactory>& factory) const {
    auto entry = module_ ? Export<GetClassObject>(module_, "DllGetClassObject") : nullptr;
    if (!entry) return E_UNEXPECTED;
    return entry(id, IID_IClassFactory, factory.putVoid());
}

HRESULT PluginModule::CanUnloadNow() const { return Call(module_, "DllCanUnloadNow"); }
HRESULT PluginModule::Register() const { return Call(module_, "DllRegisterServer"); }
HRESULT PluginModule::Unregister() const { return Call(module_, "DllUnregisterServer"); }

std::string PluginPath() { return testkit::ProgramDirectory() + "\\quorvix.dll"; }

std::vector<CLSID> RegisteredMixers() {
    std::vector<CLSID> found;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "AudioX", 0, KEY_READ, &key) != ERROR_SUCCESS) return found;
    wchar_t name[64];
    for (DWORD i = 0;; ++i) {
        DWORD size = 64;
        if (RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        CLSID id;
        if (SUCCEEDED(CLSIDFromString(name, &id))) found.push_back(id);
    }
    RegCloseKey(key);
    return found;
}

std::optional<CLSID> ClassOfProgId(const wchar_t* progId) {
    CLSID id;
    if (FAILED(CLSIDFromProgID(progId, &id))) return std::nullopt;
    return id;
}

std::string NameOf(IAxElement* element) {
    BSTR name = nullptr;
    if (!element || FAILED(element->GetName(&name))) return std::string();
    std::string text = Narrow(name, static_cast<int>(SysStringLen(name)));
    SysFreeString(name);
    return text;
}

std::vector<ComPtr<IAxElement>> Elements(IAxEnumElements* list) {
    std::vector<ComPtr<IAxElement>> elements;
    IAxElement* batch[7];
    ULONG fetched = 0;
    while (list && SUCCEEDED(list->Next(7, batch, &fetched)) && fetched > 0) {
        for (ULONG i = 0; i < fetched; ++i) elements.emplace_back(batch[i]);
    }
    return elements;
}

std::vector<ComPtr<IAxElement>> List(IAxMixer* mixer, ListOperation operation) {
    ComPtr<IAxEnumElements> list;
    if (FAILED((mixer->*operation)(list.put()))) return {};
    return Elements(list.get());
}

std::vector<std::string> Names(const std::vector<ComPtr<IAxElement>>& elements) {
    std::vector<std::string> names;
    for (const auto& e : elements) names.push_back(NameOf(e.get()));
    return names;
}

ComPtr<IAxElement> FindElement(IAxMixer* mixer, const std::string& name) {
    for (auto& e : List(mixer, &IAxMixer::EnumElements)) {
        if (NameOf(e.get()) == name) return e;
    }
    return {};
}

ComPtr<IAxChannel> FindChannel(IAxMixer* mixer, const std::string& name) {
    ComPtr<IAxChannel> channel;
    ComPtr<IAxElement> element = FindElement(mixer, name);
    if (element) element.As(IID_IAxChannel, channel);
    return channel;
}

ComPtr<IAxBus> MonitorBus(IAxMixer* mixer) {
    ComPtr<IAxBus> bus;
    std::vector<ComPtr<IAxElement>> buses = List(mixer, &IAxMixer::EnumBuses);
    if (!buses.empty()) buses.front().As(IID_IAxBus, bus);
    return bus;
}

std::string Tree(IAxMixer* mixer) {
    std::ostringstream out;
    for (auto& e : List(mixer, &IAxMixer::EnumElements)) {
        LONG channels = 0, connections = 0;
        e->GetChannelCount(&channels);
        e->GetConnectionCount(&connections);
        out << NameOf(e.get()) << " | " << (channels == 2 ? "stereo" : "mono") << " | " << Roles(e.get());
        for (LONG i = 0; i < connections; ++i) {
            ComPtr<IAxElement> fed;
            if (SUCCEEDED(e->GetConnection(i, fed.put()))) out << (i ? ", " : " -> ") << NameOf(fed.get());
        }
        out << "\n";
    }
    return out.str();
}

ComPtr<TestEqualiser> TestEqualiser::Create(LONG version) {
    ComPtr<TestEqualiser> effect(new TestEqualiser);
    effect->values[AX_EQ_VERSION] = version;
    return effect;
}

STDMETHODIMP TestEqualiser::QueryInterface(REFIID iid, void** out) {
    return win::QuerySingle(static_cast<IAxPropertySet*>(this), IID_IAxPropertySet, iid, out);
}

STDMETHODIMP_(ULONG) TestEqualiser::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) TestEqualiser::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP TestEqualiser::GetProperty(REFGUID set, ULONG id, BYTE* data, ULONG size, ULONG* returned) {
    if (set != AXPROPSETID_OneBandEq) return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
    if (id > AX_EQ_Q) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    ULONG want = id == AX_EQ_BYPASS ? 1 : 4;
    if (size < want) return E_INVALIDARG;
    std::memcpy(data, &values[id], want);
    *returned = want;
    return S_OK;
}

STDMETHODIMP TestEqualiser::SetProperty(REFGUID set, ULONG id, const BYTE* data, ULONG size) {
    if (set != AXPROPSETID_OneBandEq) return HRESULT_FROM_WIN32(ERROR_SET_NOT_FOUND);
    if (id == AX_EQ_VERSION || id > AX_EQ_Q) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (size != (id == AX_EQ_BYPASS ? 1u : 4u)) return E_INVALIDARG;
    LONG value = 0;
    std::memcpy(&value, data, size);
    values[id] = value;
    writes.push_back({id, value});
    return S_OK;
}

}  // namespace audioxhost
