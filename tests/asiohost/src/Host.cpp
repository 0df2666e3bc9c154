#include "asiohost/Host.h"

namespace asiohost {

namespace {

std::atomic<Host*> g_host{nullptr};

}  // namespace

Host::Host() : callbacks_{&BufferSwitch, &SampleRateDidChange, &AsioMessage, &BufferSwitchTimeInfo} {
    g_host.store(this);
}

Host::~Host() { g_host.store(nullptr); }

void Host::switched(long half, const ASIOTime* record) {
    lastHalf_.store(half);
    lastThread_.store(GetCurrentThreadId());
    if (onSwitch) onSwitch(half, record);
    if (record) ++timeInfoSwitches_;
    ++switches_;
}

void Host::BufferSwitch(long half, ASIOBool) {
    if (Host* h = g_host.load()) h->switched(half, nullptr);
}

ASIOTime* Host::BufferSwitchTimeInfo(ASIOTime* record, long half, ASIOBool) {
    if (Host* h = g_host.load()) h->switched(half, record);
    return record;
}

void Host::SampleRateDidChange(ASIOSampleRate rate) {
    Host* h = g_host.load();
    if (!h) return;
    std::lock_guard lock(h->lock_);
    h->rateChanges_.push_back(rate);
}

long Host::AsioMessage(long selector, long, void*, double*) {
    Host* h = g_host.load();
    if (!h) return 0;
    switch (selector) {
    case kAsioSupportsTimeInfo: return h->supportsTimeInfo ? 1 : 0;
    case kAsioSupportsTimeCode: return h->supportsTimeCode ? 1 : 0;
    default: break;
    }
    std::lock_guard lock(h->lock_);
    h->messages_.push_back(selector);
    return 1;
}

bool Host::waitSwitches(int count, DWORD ms) const {
    const DWORD since = GetTickCount();
    while (switches_.load() < count) {
        if (GetTickCount() - since > ms) return false;
        Sleep(1);
    }
    return true;
}

std::vector<double> Host::rateChanges() const {
    std::lock_guard lock(lock_);
    return rateChanges_;
}

std::vector<long> Host::messages() const {
    std::lock_guard lock(lock_);
    return messages_;
}

}  // namespace asiohost
