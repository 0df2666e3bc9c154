#include "win/Device.h"

#include <cstring>
#include <vector>

namespace win {
namespace {

using namespace devicepipe;

bool IsServiceConnection(HANDLE h) { return GetFileType(h) == FILE_TYPE_PIPE; }

// Only names in the device namespace may fall back to the service; a pipe
// name there would make the service connect to itself.
bool IsDeviceName(const char* name) {
    return std::strncmp(name, "\\\\.\\", 4) == 0 && _strnicmp(name + 4, "pipe\\", 5) != 0;
}

HANDLE ConnectService() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        HANDLE pipe = CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr)) return pipe;
            CloseHandle(pipe);
            return INVALID_HANDLE_VALUE;
        }
        // Every instance taken: the service makes a new one as soon as one is
        // connected, so a short wait suffices.
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeA(kPipeName, 2000)) break;
    }
    return INVALID_HANDLE_VALUE;
}

// One request and its reply. On failure the last error is the service's code
// (or the pipe's, when the service went away) and nothing is copied out.
BOOL Transact(HANDLE pipe, Kind kind, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
              DWORD* returned) {
    if (returned) *returned = 0;
    if (inSize > kMaxBody || outSize > kMaxBody || (inSize && !in) || (outSize && !out)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<std::uint8_t> request(sizeof(RequestHeader) + inSize);
    RequestHeader head{static_cast<std::uint32_t>(kind), code, inSize, outSize};
    std::memcpy(request.data(), &head, sizeof head);
    if (inSize) std::memcpy(request.data() + sizeof head, in, inSize);

    std::vector<std::uint8_t> reply(sizeof(ReplyHeader) + outSize + kMaxSide);
    DWORD got = 0;
    if (!TransactNamedPipe(pipe, request.data(), static_cast<DWORD>(request.size()), reply.data(),
                           static_cast<DWORD>(reply.size()), &got, nullptr))
        return FALSE;

    ReplyHeader answer{};
    if (got < sizeof answer) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    std::memcpy(&answer, reply.data(), sizeof answer);
    if (answer.returned > outSize || answer.sideSize > kMaxSide ||
        got != sizeof answer + answer.returned + answer.sideSize) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    if (answer.error != 0) {
        SetLastError(answer.error);
        return FALSE;
    }
    if (answer.returned) std::memcpy(out, reply.data() + sizeof answer, answer.returned);
    if (returned) *returned = answer.returned;
    return TRUE;
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
    body.processId = GetCurrentProcessId();
    if (Transact(pipe, Kind::Open, 0, &body, sizeof body, nullptr, 0, nullptr)) return pipe;
    DWORD error = GetLastError();
    CloseHandle(pipe);
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE DeviceOpen(const char* name, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    HANDLE h = CreateFileA(name, access, share, nullptr, disposition, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE || !name || !IsDeviceName(name) || std::strlen(name) >= kMaxDeviceName)
        return h;
    // Whatever the reason the real device failed (a missing device reads
    // differently on NT and 9x), the service may stand in; when none runs,
    // the caller sees the real error.
    DWORD realError = GetLastError();
    HANDLE pipe = ConnectService();
    if (pipe == INVALID_HANDLE_VALUE) {
        SetLastError(realError);
        return INVALID_HANDLE_VALUE;
    }
    return OpenOnService(pipe, name, access, share, disposition, flags);
}

BOOL DeviceControl(HANDLE h, DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize,
                   DWORD* returned) {
    if (IsServiceConnection(h))
        return Transact(h, Kind::Control, code, in, inSize, out, outSize, returned);
    DWORD scratch = 0;
    return DeviceIoControl(h, code, const_cast<void*>(in), inSize, out, outSize, returned ? returned : &scratch,
                           nullptr);
}

BOOL DeviceClose(HANDLE h) {
    // Tell the service first so the handle's channels are free by the time
    // the caller goes on, as with the kernel driver's cleanup.
    if (IsServiceConnection(h)) Transact(h, Kind::Close, 0, nullptr, 0, nullptr, 0, nullptr);
    return CloseHandle(h);
}

}  // namespace win
