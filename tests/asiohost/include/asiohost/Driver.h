#pragma once
// An ASIO driver as a host holds it: found in the hosts' driver list, made
// with CoCreateInstance (the class identifier passed as the interface
// identifier) and called only through its method table, with pointers
// declared the way hosts declare them: stdcall for IUnknown, thiscall for
// the rest. Each call also checks that the stack pointer is where it was,
// so a driver popping a different number of bytes is caught even where a
// frame pointer would hide it.
#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "asio/Asio.h"

namespace asiohost {

struct Methods {
    HRESULT(__stdcall* QueryInterface)(void*, const IID&, void**);
    ULONG(__stdcall* AddRef)(void*);
    ULONG(__stdcall* Release)(void*);
    ASIOBool(__thiscall* init)(void*, void*);
    void(__thiscall* getDriverName)(void*, char*);
    long(__thiscall* getDriverVersion)(void*);
    void(__thiscall* getErrorMessage)(void*, char*);
    ASIOError(__thiscall* start)(void*);
    ASIOError(__thiscall* stop)(void*);
    ASIOError(__thiscall* getChannels)(void*, long*, long*);
    ASIOError(__thiscall* getLatencies)(void*, long*, long*);
    ASIOError(__thiscall* getBufferSize)(void*, long*, long*, long*, long*);
    ASIOError(__thiscall* canSampleRate)(void*, double);
    ASIOError(__thiscall* getSampleRate)(void*, double*);
    ASIOError(__thiscall* setSampleRate)(void*, double);
    ASIOError(__thiscall* getClockSources)(void*, ASIOClockSource*, long*);
    ASIOError(__thiscall* setClockSource)(void*, long);
    ASIOError(__thiscall* getSamplePosition)(void*, ASIOSamples*, ASIOTimeStamp*);
    ASIOError(__thiscall* getChannelInfo)(void*, ASIOChannelInfo*);
    ASIOError(__thiscall* createBuffers)(void*, ASIOBufferInfo*, long, long, ASIOCallbacks*);
    ASIOError(__thiscall* disposeBuffers)(void*);
    ASIOError(__thiscall* controlPanel)(void*);
    ASIOError(__thiscall* future)(void*, long, void*);
    ASIOError(__thiscall* outputReady)(void*);
};
static_assert(sizeof(Methods) == 24 * sizeof(void*));

// Names in HKEY_LOCAL_MACHINE\SOFTWARE\ASIO, and the class of one of them.
std::vector<std::string> ListedDrivers();
std::optional<CLSID> ListedClass(const std::string& name);

class Driver {
public:
    // Null pointer and the failure in `result` when the class cannot be
    // made.
    static Driver* Create(const CLSID& clsid, HRESULT* result = nullptr);
    explicit Driver(void* object) : self_(object), methods_(*static_cast<const Methods* const*>(object)) {}
    ~Driver() { release(); }
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    void* object() const { return self_; }
    ULONG release();
    // Calls whose stack pointer came back moved.
    int stackFaults() const { return stackFaults_; }

    ASIOBool init(void* window = nullptr) { return call(methods_->init, window); }
    std::string driverName();
    long driverVersion() { return call(methods_->getDriverVersion); }
    std::string errorMessage();
    ASIOError start() { return call(methods_->start); }
    ASIOError stop() { return call(methods_->stop); }
    ASIOError getChannels(long* in, long* out) { return call(methods_->getChannels, in, out); }
    ASIOError getLatencies(long* in, long* out) { return call(methods_->getLatencies, in, out); }
    ASIOError getBufferSize(long* minSize, long* maxSize, long* preferred, long* granularity) {
        return call(methods_->getBufferSize, minSize, maxSize, preferred, granularity);
    }
    ASIOError canSampleRate(double rate) { return call(methods_->canSampleRate, rate); }
    ASIOError getSampleRate(double* rate) { return call(methods_->getSampleRate, rate); }
    ASIOError setSampleRate(double rate) { return call(methods_->setSampleRate, rate); }
    ASIOError getClockSources(ASIOClockSource* list, long* count) {
        return call(methods_->getClockSources, list, count);
    }
    ASIOError setClockSource(long index) { return call(methods_->setClockSource, index); }
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* stamp) {
        return call(methods_->getSamplePosition, position, stamp);
    }
    ASIOError getChannelInfo(ASIOChannelInfo* info) { return call(methods_->getChannelInfo, info); }
    ASIOError createBuffers(ASIOBufferInfo* infos, long count, long size, ASIOCallbacks* callbacks) {
        return call(methods_->createBuffers, infos, count, size, callbacks);
    }
    ASIOError disposeBuffers() { return call(methods_->disposeBuffers); }
    ASIOError controlPanel() { return call(methods_->controlPanel); }
    ASIOError future(long selector, void* option = nullptr) { return call(methods_->future, selector, option); }
    ASIOError outputReady() { return call(methods_->outputReady); }

    // The interface's own QueryInterface.
    HRESULT queryInterface(const IID& iid, void** result) { return methods_->QueryInterface(self_, iid, result); }

private:
    template <class R, class... Declared, class... Given>
    R call(R(__thiscall* method)(void*, Declared...), Given... args) {
        unsigned before, after;
        asm volatile("mov %%esp, %0" : "=r"(before));
        if constexpr (std::is_void_v<R>) {
            method(self_, args...);
            asm volatile("mov %%esp, %0" : "=r"(after));
            if (before != after) ++stackFaults_;
        } else {
            R result = method(self_, args...);
            asm volatile("mov %%esp, %0" : "=r"(after));
            if (before != after) ++stackFaults_;
            return result;
        }
    }

    void* self_;
    const Methods* methods_;
    std::atomic<int> stackFaults_{0};
};

}  // namespace asiohost
