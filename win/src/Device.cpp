#include "win/Device.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace win {
namespace {

using namespace devicepipe;

// Request codes that need objects in the caller's process.
constexpr DWORD kAllocBuffers = 0x81012130;
constexpr DWORD kFreeBuffers = 0x81012134;
constexpr DWORD kSetCallback = 0x81012138;

// Handles to the service carry a tag in their low bits, which the system
// ignores when it looks a handle up: that spares a system call per request
// (GetFileType costs a wineserver round trip under Wine). A connection
// handle that lost its tag (duplicated, say) is still recognised as a pipe.
constexpr std::uintptr_t kServiceTag = 1, kTagBits = 3;

HANDLE Tagged(HANDLE pipe) { return reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(pipe) | kServiceTag); }

HANDLE Untagged(HANDLE h) { return reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(h) & ~kTagBits); }

bool IsServiceConnection(HANDLE h) {
    return (reinterpret_cast<std::uintptr_t>(h) & kTagBits) == kServiceTag || GetFileType(h) == FILE_TYPE_PIPE;
}

// Only names in the device namespace may fall back to the service; a pipe
// name there would make the service connect to itself.
bool IsDeviceName(const char* name) {
    return std::strncmp(name, "\\\\.\\", 4) == 0 && _strnicmp(name + 4, "pipe\\", 5) != 0;
}

HANDLE ConnectService() {
    // Every instance taken: the service makes a new one as soon as one is
    // connected, but other clients may take it first, so keep trying for a
    // while as long as the service is there and busy.
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE pipe = CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr)) return pipe;
            CloseHandle(pipe);
            return INVALID_HANDLE_VALUE;
        }
        if (GetLastError() != ERROR_PIPE_BUSY || GetTickCount() - start > 5000) return INVALID_HANDLE_VALUE;
        WaitNamedPipeA(kPipeName, 1000);
    }
}

struct Message {
    Kind kind;
    DWORD code;
    const void* in;
    DWORD inSize;
    const void* side;
    DWORD sideSize;
};

// One request and its reply. On failure the last error is the service's code
// (or the pipe's, when the service went away) and nothing is copied out.
// The reply's side data, if any, goes to `side`.
BOOL Transact(HANDLE pipe, const Message& m, void* out, DWORD outSize, DWORD* returned,
              std::vector<std::uint8_t>* side = nullptr) {
    if (returned) *returned = 0;
    if (m.inSize > kMaxBody || outSize > kMaxBody || (m.inSize && !m.in) || (outSize && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RequestHeader head{static_cast<std::uint32_t>(m.kind), m.code, m.inSize, outSize, m.sideSize};
    std::vector<std::uint8_t> request(sizeof head + m.inSize + m.sideSize);
    std::memcpy(request.data(), &head, sizeof head);
    if (m.inSize) std::memcpy(request.data() + sizeof head, m.in, m.inSize);
    if (m.sideSize) std::memcpy(request.data() + sizeof head + m.inSize, m.side, m.sideSize);

    std::vector<std::uint8_t> reply(sizeof(ReplyHeader) + outSize + kMaxSide);
    DWORD got = 0;
    if (!TransactNamedPipe(pipe, request.data(), static_cast<DWORD>(request.size()), reply.data(),
                           static_cast<DWORD>(reply.size()), &got, nullptr))
        return FALSE;

    ReplyHeader answer{};
    if (got >= sizeof answer) std::memcpy(&answer, reply.data(), sizeof answer);
    if (got < sizeof answer || answer.returned > outSize || answer.sideSize > kMaxSide ||
        got != sizeof answer + answer.returned + answer.sideSize) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (side) side->assign(reply.begin() + sizeof answer + answer.returned, reply.begin() + got);
    if (answer.error != 0) {
        SetLastError(answer.error);
        return FALSE;
    }
    if (answer.returned) std::memcpy(out, reply.data() + sizeof answer, answer.returned);
    if (returned) *returned = answer.returned;
    return TRUE;
}

// Names of shared objects: unique per process, per copy of this library
// (each module links its own) and per call.
void UniqueName(const char* what, char (&name)[kMaxObjectName]) {
    static LONG counter = 0;
    static const char marker = 0;
    std::snprintf(name, sizeof name, "quorvisim-%s-%lu-%p-%ld", what, GetCurrentProcessId(),
                  static_cast<const void*>(&marker), InterlockedIncrement(&counter));
}

// Blocks mapped for each connection, so that closing the handle unmaps them
// even when the service has gone and cannot answer.
std::mutex g_viewsLock;
std::multimap<HANDLE, void*> g_views;

void ForgetView(HANDLE pipe, void* view) {
    std::lock_guard lock(g_viewsLock);
    auto [first, last] = g_views.equal_range(pipe);
    for (auto it = first; it != last; ++it)
        if (it->second == view) {
            g_views.erase(it);
            break;
        }
}

void UnmapViews(HANDLE pipe) {
    std::lock_guard lock(g_viewsLock);
    auto [first, last] = g_views.equal_range(pipe);
    for (auto it = first; it != last; ++it) UnmapViewOfFile(it->second);
    g_views.erase(first, last);
}

// The caller's block lives in a section this side creates and maps; the
// service maps the same section by name.
BOOL AllocBuffers(HANDLE pipe, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
    std::uint32_t pages = 0;
    if (in && inSize == 4) std::memcpy(&pages, in, 4);
    Message plain{Kind::Control, kAllocBuffers, in, inSize, nullptr, 0};
    if (pages == 0 || pages > kMaxBufferPages || outSize < 4) return Transact(pipe, plain, out, outSize, returned);

    StreamSide side{};
    UniqueName("buffers", side.name);
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, pages * 4096, side.name);
    if (!section) return FALSE;
    void* view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!view) {
        DWORD error = GetLastError();
        CloseHandle(section);
        SetLastError(error);
        return FALSE;
    }
    side.address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(view));
    BOOL ok = Transact(pipe, Message{Kind::Control, kAllocBuffers, in, inSize, &side, sizeof side}, out, outSize,
                       returned);
    DWORD error = GetLastError();
    CloseHandle(section);  // the views keep it
    if (ok) {
        std::lock_guard lock(g_viewsLock);
        g_views.emplace(pipe, view);
    } else {
        UnmapViewOfFile(view);
    }
    SetLastError(error);
    return ok;
}

BOOL FreeBuffers(HANDLE pipe, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
    if (!Transact(pipe, Message{Kind::Control, kFreeBuffers, in, inSize, nullptr, 0}, out, outSize, returned))
        return FALSE;
    std::uint32_t address = 0;
    std::memcpy(&address, in, 4);  // the service accepted exactly one address
    void* view = reinterpret_cast<void*>(static_cast<std::uintptr_t>(address));
    ForgetView(pipe, view);
    UnmapViewOfFile(view);
    return TRUE;
}

// Waits for the service's block-boundary signals and queues the registered
// routine to the registering thread, as the kernel driver does. The routine's
// argument is 0. It ends when the service says so or when the service's
// process ends.
struct Waiter {
    HANDLE event;
    HANDLE section;
    WakeRecord* record;
    HANDLE target;
    PAPCFUNC routine;
    HANDLE service;  // null when the service's process could not be opened
};

DWORD WINAPI WaiterMain(void* argument) {
    Waiter* w = static_cast<Waiter*>(argument);
    std::uint32_t seen = 0;
    HANDLE objects[2] = {w->event, w->service};
    DWORD count = w->service ? 2 : 1;
    while (!w->record->stop) {
        if (WaitForMultipleObjects(count, objects, FALSE, INFINITE) != WAIT_OBJECT_0) break;
        if (w->record->stop) break;
        std::uint32_t sequence = w->record->sequence;
        if (sequence == seen) continue;
        if (sequence - seen > 1)
            InterlockedExchangeAdd(reinterpret_cast<volatile LONG*>(&w->record->merged),
                                   static_cast<LONG>(sequence - seen - 1));
        seen = sequence;
        // Counted before queueing: the routine may run before this thread
        // gets the processor back.
        auto delivered = reinterpret_cast<volatile LONG*>(&w->record->delivered);
        InterlockedIncrement(delivered);
        if (!QueueUserAPC(w->routine, w->target, 0)) InterlockedDecrement(delivered);
    }
    UnmapViewOfFile(w->record);
    CloseHandle(w->section);
    CloseHandle(w->event);
    CloseHandle(w->target);
    if (w->service) CloseHandle(w->service);
    delete w;
    return 0;
}

BOOL SetCallback(HANDLE pipe, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned) {
    Message plain{Kind::Control, code, in, inSize, nullptr, 0};
    std::uint32_t routine = 0;
    if (in && inSize == 8) std::memcpy(&routine, in, 4);
    if (!routine) return Transact(pipe, plain, out, outSize, returned);

    StreamSide side{};
    UniqueName("wake", side.name);
    char eventName[kMaxObjectName + 8];
    std::snprintf(eventName, sizeof eventName, "%s-event", side.name);
    Waiter* w = new Waiter{};
    w->routine = reinterpret_cast<PAPCFUNC>(static_cast<std::uintptr_t>(routine));
    w->event = CreateEventA(nullptr, FALSE, FALSE, eventName);
    w->section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, side.name);
    if (w->section) w->record = static_cast<WakeRecord*>(MapViewOfFile(w->section, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &w->target, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    DWORD threadId = 0;
    HANDLE thread = w->event && w->record && w->target
                        ? CreateThread(nullptr, 0, WaiterMain, w, CREATE_SUSPENDED, &threadId)
                        : nullptr;
    if (!thread) {
        DWORD error = GetLastError();
        if (w->record) UnmapViewOfFile(w->record);
        for (HANDLE h : {w->section, w->event, w->target})
            if (h) CloseHandle(h);
        delete w;
        SetLastError(error);
        return FALSE;
    }
    side.threadId = threadId;
    std::vector<std::uint8_t> serviceId;
    BOOL ok = Transact(pipe, Message{Kind::Control, code, in, inSize, &side, sizeof side}, out, outSize, returned,
                       &serviceId);
    DWORD error = GetLastError();
    if (!ok) w->record->stop = 1;  // the waiter ends at once
    if (ok && serviceId.size() == 4) {
        DWORD pid = 0;
        std::memcpy(&pid, serviceId.data(), 4);
        w->service = OpenProcess(SYNCHRONIZE, FALSE, pid);
    }
    ResumeThread(thread);
    CloseHandle(thread);
    SetLastError(error);
    return ok;
}

// Asks the service for the device on a fresh connection; a refusal closes
// the connection and leaves the service's error code.
HANDLE OpenOnService(HANDLE pipe, const char* name, DWORD access, DWORD share, DWORD disposition,
                     DWORD flags) {
    OpenBody body{};
    std::strcpy(body.name, name);
    body.access = access;
    body.share = share;
    body.disposition = disposition;
    body.flags = flags;
    if (Transact(pipe, Message{Kind::Open, 0, &body, sizeof body, nullptr, 0}, nullptr, 0, nullptr))
        return Tagged(pipe);
    DWORD error = GetLastError();
    CloseHandle(pipe);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool DeviceIsVirtual(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr && IsServiceConnection(h); }

bool devicepipe::VirtualBoardsWanted() {
    char value[4] = {};
    return GetEnvironmentVariableA(kSwitchName, value, sizeof value) == 1 && value[0] == '1';
}

HANDLE DeviceOpen(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    HANDLE h = CreateFileA(name, access, share, nullptr, disposition, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE || !name || !IsDeviceName(name) || std::strlen(name) >= kMaxDeviceName)
        return h;
    DWORD realError = GetLastError();
    if (!VirtualBoardsWanted()) {
        SetLastError(realError);
        return INVALID_HANDLE_VALUE;
    }
    // Whatever the reason the real device failed (a missing device reads
    // differently on NT and 9x), the service may stand in; when none runs,
    // the caller sees the real error.
    HANDLE pipe = ConnectService();
    if (pipe == INVALID_HANDLE_VALUE) {
        SetLastError(realError);
        return INVALID_HANDLE_VALUE;
    }
    return OpenOnService(pipe, name, access, share, disposition, flags);
}

BOOL DeviceControl(HANDLE h, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned) {
    if (!IsServiceConnection(h)) {
        DWORD scratch = 0;
        return DeviceIoControl(h, code, const_cast<void*>(in), inSize, out, outSize,
                               returned ? returned : &scratch, nullptr);
    }
    h = Untagged(h);
    switch (code) {
    case kAllocBuffers: return AllocBuffers(h, in, inSize, out, outSize, returned);
    case kFreeBuffers: return FreeBuffers(h, in, inSize, out, outSize, returned);
    case kSetCallback: return SetCallback(h, code, in, inSize, out, outSize, returned);
    default: return Transact(h, Message{Kind::Control, code, in, inSize, nullptr, 0}, out, outSize, returned);
    }
}

BOOL DeviceClose(HANDLE h) {
    // Tell the service first so the handle's channels and wake-ups are gone
    // by the time the caller goes on, as with the kernel driver's cleanup.
    if (IsServiceConnection(h)) {
        h = Untagged(h);
        Transact(h, Message{Kind::Close, 0, nullptr, 0, nullptr, 0}, nullptr, 0, nullptr);
        UnmapViews(h);
    }
    return CloseHandle(h);
}

}  // namespace win
