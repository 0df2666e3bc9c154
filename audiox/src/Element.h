#pragma once
// One element of the mixer. Every element is an object of this class and
// answers IAxElement and IPersist; which of the kind interfaces it answers
// follows from its kind. Elements live as long as their mixer and count
// their references on it.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "ElementPlan.h"
#include "ProjectStream.h"
#include "audiox.h"

namespace quorvix {

class Mixer;

class Element final : public IAxElement,
                      public IPersist,
                      public IAxClock,
                      public IAxPort,
                      public IAxPhysicalInput,
                      public IAxPhysicalOutput,
                      public IAxPlaybackStream,
                      public IAxRecordStream,
                      public IAxBus,
                      public IAxInputChannel,
                      public IAxOutputChannel,
                      public IAxChannel {
public:
    Element(Mixer& mixer, const ElementSpec& spec, std::wstring name);
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    // IUnknown: the identity is the IAxElement pointer.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IAxElement
    STDMETHODIMP GetName(BSTR* name) override;
    STDMETHODIMP GetChannelCount(LONG* count) override;
    STDMETHODIMP GetConnectionCount(LONG* count) override;
    STDMETHODIMP GetConnection(LONG index, IAxElement** element) override;

    // IPersist: the class identifier of the element's kind.
    STDMETHODIMP GetClassID(CLSID* id) override;

    // IAxClock
    STDMETHODIMP GetSampleRate(LONG* hertz) override;
    // IAxPort
    STDMETHODIMP GetKind(LONG* kind) override;

    // IAxChannel
    STDMETHODIMP GetSendLevel(IAxBus* bus, float* level) override;
    STDMETHODIMP SetSendLevel(IAxBus* bus, float level) override;
    STDMETHODIMP GetSendPan(IAxBus* bus, float* pan) override;
    STDMETHODIMP SetSendPan(IAxBus* bus, float pan) override;
    STDMETHODIMP GetSendMute(IAxBus* bus, LONG* mute) override;
    STDMETHODIMP SetSendMute(IAxBus* bus, LONG mute) override;
    STDMETHODIMP GetMeter(float* peak, LONG* flags) override;

    const ElementSpec& spec() const { return spec_; }
    ElementLayout layout() const;
    bool IsChannel() const;
    // Whether it answers the interface; the mixer files it in its lists so.
    bool Answers(REFIID iid);
    // Made once while the mixer is built.
    void Connect(Element& to) { connections_.push_back(&to); }

    // The project stream's view of the element, each under its lock.
    ElementState SaveState();
    // Takes over what was read; false when nothing changed.
    bool Commit(const ElementState& state);
    // Back to the values the mixer started with; false when nothing changed.
    bool InitNew();
    bool IsDirty();
    void ClearDirty();

private:
    void* Interface(REFIID iid);
    // Reads or changes the strip's send to a bus; the bus must be one of
    // the mixer's.
    template <class Read>
    HRESULT ReadSend(IAxBus* bus, Read read);
    template <class Change>
    HRESULT ChangeSend(IAxBus* bus, Change change);

    Mixer& mixer_;
    const ElementSpec spec_;
    const std::wstring name_;
    std::vector<Element*> connections_;
    std::mutex lock_;
    bool dirty_ = false;
};

}  // namespace quorvix
