// The driver object: its COM identity, construction, init, destruction and
// the facts it reports without asking the boards.
#include "AsioDriver.h"

#include <cstdio>
#include <new>

#include "Server.h"
#include "quorvi/DriverClsids.h"
#include "win/FixedText.h"

namespace quorviasio {

namespace {

// Opened the way a Windows 9x dynamic driver is.
constexpr DWORD kOpenDisposition = 0;

}  // namespace

HRESULT AsioDriver::Create(IUnknown* outer, REFIID riid, void** result) {
    if (!result) return E_POINTER;
    *result = nullptr;
    if (outer && riid != IID_IUnknown) return E_NOINTERFACE;
    auto* driver = new (std::nothrow) AsioDriver(outer);
    if (!driver) return E_OUTOFMEMORY;
    const HRESULT hr = driver->identity_.QueryInterface(riid, result);
    driver->identity_.Release();
    return hr;
}

AsioDriver::AsioDriver(IUnknown* outer) : outer_(outer ? outer : &identity_) {
    ObjectCreated();
    win::CopyBounded(error_, sizeof error_, "No error yet!");
    DWORD latency = 0, inCoeff = 0, outCoeff = 0, inConst = 0, outConst = 0;
    QuorviGetBlockLatency(quorvi::kAsioDriverKey.data(), &latency, &inCoeff, &outCoeff, &inConst, &outConst,
                          &reserved_);
    inCoefficient_ = inCoeff;
    outCoefficient_ = outCoeff;
    inConstant_ = inConst;
    outConstant_ = outConst;
    const PreferredBlock preferred = PreferredBlockFor(latency);
    blockSize_ = preferred.samples;
    if (preferred.storeDefault) QuorviSetBlockLatency(quorvi::kAsioDriverKey.data(), kDefaultBlockLatency, nullptr);
}

AsioDriver::~AsioDriver() { ObjectDestroyed(); }

bool AsioDriver::tearDown() {
    // A host may let go without stopping; nothing of it is called after this.
    if (buffersCreated_ || block_) disposeBuffers();
    if (!streamer_.shutdown()) return false;
    if (device_) closeBoards();
    initialised_.store(false);
    return true;
}

void AsioDriver::closeBoards() {
    device_.control(quorvi::QUORVI_RELEASE_CHANNELS, &reserved_, sizeof reserved_, nullptr, 0);
    device_.reset();
}

ASIOBool AsioDriver::failInit(const char* text) {
    setError(text);
    initialised_.store(false);
    return ASIOFalse;
}

HRESULT AsioDriver::Identity::QueryInterface(REFIID riid, void** result) {
    if (!result) return E_POINTER;
    if (riid == quorvi::kAsioDriverClsid) {
        *result = static_cast<IASIO*>(&owner_);
    } else if (riid == IID_IUnknown) {
        *result = static_cast<IUnknown*>(this);
    } else {
        *result = nullptr;
        return E_NOINTERFACE;
    }
    static_cast<IUnknown*>(*result)->AddRef();
    return S_OK;
}

ULONG AsioDriver::Identity::AddRef() { return static_cast<ULONG>(++owner_.references_); }

ULONG AsioDriver::Identity::Release() {
    const LONG left = --owner_.references_;
    // A streaming thread that would not end keeps its object, and the
    // server with it.
    if (left == 0 && owner_.tearDown()) delete &owner_;
    return static_cast<ULONG>(left);
}

HRESULT AsioDriver::QueryInterface(REFIID riid, void** result) { return outer_->QueryInterface(riid, result); }
ULONG AsioDriver::AddRef() { return outer_->AddRef(); }
ULONG AsioDriver::Release() { return outer_->Release(); }

void AsioDriver::setError(const char* text) { win::CopyBounded(error_, sizeof error_, text); }

ASIOBool AsioDriver::init(void*) {
    // A second init keeps what the first one set up.
    if (device_ && initialised()) return ASIOTrue;
    device_ = win::Device(quorvi::kDeviceNameAsio, 0, 0, kOpenDisposition, FILE_FLAG_DELETE_ON_CLOSE);
    if (!device_) return failInit("Couldn't open quorvi.vxd!");
    channels_ = ChannelSet(reserved_, QuorviGetNumberBoards(device_.get()));
    if (!device_.control(quorvi::QUORVI_ACQUIRE_CHANNELS, &reserved_, sizeof reserved_, nullptr, 0)) {
        device_.reset();
        return failInit("Couldn't acquire all Quorvi channels!");
    }
    readClockSettings();
    // Without its thread the driver would take buffers and a start and then
    // never hand a block over.
    if (!streamer_.launch(device_.get())) {
        closeBoards();
        return failInit("Couldn't start the Quorvi streaming thread!");
    }
    setRate(kRate48);
    initialised_.store(true);
    return ASIOTrue;
}

void AsioDriver::getDriverName(char* name) {
    if (name) std::snprintf(name, kAsioDriverNameSize, "%s", kDriverName);
}

long AsioDriver::getDriverVersion() { return kDriverVersion; }

void AsioDriver::getErrorMessage(char* text) {
    if (text) std::snprintf(text, kAsioErrorMessageSize, "%s", error_);
}

ASIOError AsioDriver::outputReady() { return ASE_NotPresent; }

}  // namespace quorviasio
