#pragma once
// What an AudioX host does with a mixer plug-in, built only on the AudioX
// declarations: find the plug-in, load it, walk its element lists, and hand
// its equaliser page effects of its own.
#include <windows.h>
#include <ocidl.h>

#include <optional>
#include <string>
#include <vector>

#include "audiox.h"
#include "win/ComPtr.h"

namespace audioxhost {

using win::ComPtr;

// The plug-in loaded by hand, as hosts that keep their plug-ins out of the
// registry do. Unloading it ends its mixer, so each load starts afresh.
class PluginModule {
public:
    explicit PluginModule(const std::string& path);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool loaded() const { return module_ != nullptr; }
    HRESULT ClassObject(REFCLSID id, ComPtr<IClassFactory>& factory) const;
    HRESULT CanUnloadNow() const;
    HRESULT Register() const;
    HRESULT Unregister() const;

private:
    HMODULE module_;
};

// quorvix.dll beside the running program.
std::string PluginPath();

// The mixer classes hosts find under HKEY_CLASSES_ROOT\AudioX.
std::vector<CLSID> RegisteredMixers();
std::optional<CLSID> ClassOfProgId(const wchar_t* progId);

// Wide text in the system's code page; `length` -1 for terminated text.
std::string Narrow(const wchar_t* text, int length = -1);
std::string NameOf(IAxElement* element);
std::vector<ComPtr<IAxElement>> Elements(IAxEnumElements* list);

using ListOperation = HRESULT (STDMETHODCALLTYPE IAxMixer::*)(IAxEnumElements**);
std::vector<ComPtr<IAxElement>> List(IAxMixer* mixer, ListOperation operation);
std::vector<std::string> Names(const std::vector<ComPtr<IAxElement>>& elements);
// An element of the mixer by name; empty when there is none.
ComPtr<IAxElement> FindElement(IAxMixer* mixer, const std::string& name);
ComPtr<IAxChannel> FindChannel(IAxMixer* mixer, const std::string& name);
// The mixer's first bus, the monitor bus.
ComPtr<IAxBus> MonitorBus(IAxMixer* mixer);
// One line per element: its name, channel count, the interfaces it answers
// and the elements it feeds.
std::string Tree(IAxMixer* mixer);

// A one-band equaliser effect: answers the equaliser property set and
// records every write.
class TestEqualiser final : public IAxPropertySet {
public:
    struct Write {
        ULONG id;
        LONG value;
        bool operator==(const Write&) const = default;
    };

    // A new effect with one reference, of the given interface version.
    static ComPtr<TestEqualiser> Create(LONG version = AX_EQ_INTERFACE_VERSION);

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetProperty(REFGUID set, ULONG id, BYTE* data, ULONG size, ULONG* returned) override;
    STDMETHODIMP SetProperty(REFGUID set, ULONG id, const BYTE* data, ULONG size) override;

    // Values by property id (1 bypass, 2 type, 3 frequency, 4 gain, 5 Q).
    LONG values[6] = {AX_EQ_INTERFACE_VERSION, 0, AX_EQ_PEAKING, 1000, 6, 2};
    std::vector<Write> writes;

private:
    TestEqualiser() = default;
    ~TestEqualiser() = default;
    LONG refs_ = 1;
};

}  // namespace audioxhost
