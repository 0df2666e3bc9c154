#pragma once
// Device access: the only place that opens a board driver and sends it
// requests. The functions take the real device when it is there; otherwise,
// when the process asks for the virtual boards and their service runs, they
// hand out a connection to it that callers use exactly like a driver handle.
#include <windows.h>
#include <cstdint>
#include <utility>

namespace win {

// Same contract as CreateFileA on a device name: INVALID_HANDLE_VALUE and
// GetLastError() on failure. The virtual boards stand in for a missing
// device only when VirtualBoardsWanted().
HANDLE DeviceOpen(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags);

// Same contract as a synchronous, buffered DeviceIoControl. `returned` may be
// null.
BOOL DeviceControl(HANDLE h, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned);

// Closes a handle from DeviceOpen; a virtual board releases everything the
// handle held.
BOOL DeviceClose(HANDLE h);

// Whether a handle from DeviceOpen is served by the virtual boards rather
// than by the kernel driver.
bool DeviceIsVirtual(HANDLE h);

// Owns a device handle and closes it once.
class Device {
public:
    Device() = default;
    explicit Device(HANDLE h) : h_(h) {}
    Device(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags)
        : h_(DeviceOpen(name, access, share, disposition, flags)) {}
    Device(Device&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
    Device& operator=(Device&& o) noexcept {
        reset(std::exchange(o.h_, INVALID_HANDLE_VALUE));
        return *this;
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() { reset(); }

    HANDLE get() const { return h_; }
    // The handle variable itself, for messages that carry its address.
    const HANDLE* address() const { return &h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    explicit operator bool() const { return valid(); }
    HANDLE release() { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (valid()) DeviceClose(h_);
        h_ = h;
    }

    BOOL control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                 DWORD* returned = nullptr) const {
        return DeviceControl(h_, code, in, inSize, out, outSize, returned);
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Wire format between the device-access functions and the virtual-board
// service: one message-mode pipe connection per open handle, one transaction
// per request. All fields little-endian, packed.
namespace devicepipe {

// The virtual boards are for development, tests and the demo. An installed
// suite must never take a program serving the pipe for the boards, so the
// fallback is on only with this variable set to 1 in the environment.
inline constexpr const char* kSwitchName = "QUORVI_VIRTUAL_BOARDS";
bool VirtualBoardsWanted();

inline constexpr const char* kPipeName = "\\\\.\\pipe\\quorvisim";
// Largest request or reply body either side accepts; the biggest driver
// buffer (the device block) is well under this.
inline constexpr std::uint32_t kMaxBody = 16384;
inline constexpr std::uint32_t kMaxDeviceName = 64;
// Largest block of data a request or reply carries for the two ends
// themselves, after the caller's bytes.
inline constexpr std::uint32_t kMaxSide = 256;
inline constexpr std::uint32_t kMaxObjectName = 64;
// Largest shared block QUORVI_ALLOC_BUFFERS maps, in 4096-byte pages: what
// the ASIO driver asks for with 65,536-sample halves on every channel of four
// boards (64 inputs, 72 outputs), about 68 MiB.
inline constexpr std::uint32_t kMaxBufferPages = ((65536 * 4 + 34) * (64 + 72) * 2) / 4096 + 2;

enum class Kind : std::uint32_t {
    Open = 1,     // body: OpenBody; must be the first message of a connection
    Control = 2,  // body: the caller's input bytes, then the side data
    Close = 3,    // no body; answered once the handle's resources are
                  // released
};

#pragma pack(push, 1)
struct RequestHeader {
    std::uint32_t kind;      // Kind
    std::uint32_t code;      // I/O control code
    std::uint32_t inSize;    // caller's input bytes following this header
    std::uint32_t outSize;   // caller's output buffer size
    std::uint32_t sideSize;  // bytes after the input (StreamSide or none)
};
static_assert(sizeof(RequestHeader) == 20);

struct OpenBody {
    char name[kMaxDeviceName];  // zero-terminated device name as the caller passed it
    std::uint32_t access;
    std::uint32_t share;
    std::uint32_t disposition;
    std::uint32_t flags;
};
static_assert(sizeof(OpenBody) == 80);

struct ReplyHeader {
    std::uint32_t error;     // 0 = success, else the Win32 error code to report
    std::uint32_t returned;  // output bytes following this header
    std::uint32_t sideSize;  // bytes after the output meant for the client side itself
};
static_assert(sizeof(ReplyHeader) == 12);

// Side data of the streaming requests that need objects in the caller's
// process. QUORVI_ALLOC_BUFFERS: the section the client created and mapped
// at `address`. QUORVI_SET_CALLBACK: the section holding the WakeRecord
// (the wake event is named `name` plus "-event") and the client's waiter
// thread, which queues the registered routine to the registering thread; a
// success answers the service's process id as side data, which the waiter
// watches.
struct StreamSide {
    char name[kMaxObjectName];
    std::uint32_t address;
    std::uint32_t threadId;
};
static_assert(sizeof(StreamSide) == 72);

// Shared between the service and a waiter thread. The service counts blocks
// in `sequence` before it signals, so a wake that comes late or merges with
// the next is seen and counted in `merged`, never lost silently.
struct WakeRecord {
    volatile std::uint32_t sequence;
    volatile std::uint32_t stop;       // set by the service to end the waiter
    volatile std::uint32_t merged;     // blocks whose wake merged into a later one
    volatile std::uint32_t delivered;  // routine calls queued
};
static_assert(sizeof(WakeRecord) == 16);
#pragma pack(pop)

}  // namespace devicepipe

}  // namespace win
