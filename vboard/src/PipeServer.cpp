#include "vboard/PipeServer.h"

#include <thread>

namespace vboard {

namespace {

constexpr DWORD kBufferSize = 65536;
// Longest message kept; anything longer is read to its end and refused.
constexpr std::size_t kMaxMessage = 65536;

}  // namespace

PipeServer::PipeServer(std::string name, Factory factory) : name_(std::move(name)), factory_(std::move(factory)) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    idle_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

PipeServer::~PipeServer() {
    stop();
    CloseHandle(stop_);
    CloseHandle(idle_);
}

HANDLE PipeServer::createInstance(bool first) {
    DWORD open = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeA(name_.c_str(), open, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
}

bool PipeServer::start() {
    if (started_) return true;
    // Wine does not refuse a second first instance, so a named object marks
    // the pipe as served.
    std::string marker = "quorvisim-served-" + name_;
    for (char& c : marker)
        if (c == '\\') c = '/';
    served_ = CreateMutexA(nullptr, FALSE, marker.c_str());
    if (served_ && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(served_);
        served_ = nullptr;
        SetLastError(ERROR_PIPE_BUSY);
        return false;
    }
    HANDLE first = createInstance(true);
    if (first == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(served_);
        served_ = nullptr;
        SetLastError(error);
        return false;
    }
    ResetEvent(stop_);
    started_ = true;
    ++threads_;
    ResetEvent(idle_);
    std::thread([this, first] { acceptLoop(first); }).detach();
    return true;
}

void PipeServer::stop() {
    if (!started_) return;
    SetEvent(stop_);
    WaitForSingleObject(idle_, INFINITE);
    CloseHandle(served_);
    served_ = nullptr;
    started_ = false;
}

// Waits for an overlapped operation or the stop request; false on stop or
// failure, with the operation cancelled.
bool PipeServer::wait(HANDLE pipe, HANDLE event, OVERLAPPED& ov, DWORD& transferred) {
    HANDLE both[2] = {event, stop_};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, &ov, &transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, &ov, &transferred, FALSE) != FALSE;
}

void PipeServer::acceptLoop(HANDLE pipe) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    while (pipe != INVALID_HANDLE_VALUE) {
        OVERLAPPED ov{};
        ov.hEvent = event;
        ResetEvent(event);
        bool connected = ConnectNamedPipe(pipe, &ov) != FALSE;
        if (!connected) {
            DWORD e = GetLastError();
            DWORD ignored = 0;
            connected = e == ERROR_PIPE_CONNECTED || (e == ERROR_IO_PENDING && wait(pipe, event, ov, ignored));
        }
        if (WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) {
            CloseHandle(pipe);
            break;
        }
        if (connected) {
            ++threads_;
            std::thread([this, pipe] { serve(pipe); }).detach();
        } else {
            CloseHandle(pipe);
        }
        pipe = createInstance(false);
    }
    CloseHandle(event);
    if (--threads_ == 0) SetEvent(idle_);
}

bool PipeServer::readMessage(HANDLE pipe, HANDLE event, Bytes& message) {
    message.clear();
    std::uint8_t chunk[4096];
    bool oversize = false;
    for (;;) {
        OVERLAPPED ov{};
        ov.hEvent = event;
        ResetEvent(event);
        DWORD got = 0;
        BOOL ok = ReadFile(pipe, chunk, sizeof chunk, &got, &ov);
        DWORD e = ok ? ERROR_SUCCESS : GetLastError();
        if (e == ERROR_IO_PENDING) {
            ok = wait(pipe, event, ov, got);
            e = ok ? ERROR_SUCCESS : GetLastError();
            if (!ok && WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0) return false;
        } else if (!ok && e == ERROR_MORE_DATA) {
            GetOverlappedResult(pipe, &ov, &got, FALSE);
        }
        if (e != ERROR_SUCCESS && e != ERROR_MORE_DATA) return false;
        if (message.size() + got > kMaxMessage) oversize = true;
        if (!oversize) message.insert(message.end(), chunk, chunk + got);
        if (e == ERROR_SUCCESS) break;
    }
    if (oversize) message.clear();
    return true;
}

bool PipeServer::writeMessage(HANDLE pipe, HANDLE event, const Bytes& message) {
    OVERLAPPED ov{};
    ov.hEvent = event;
    ResetEvent(event);
    DWORD written = 0;
    if (WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &written, &ov)) return true;
    return GetLastError() == ERROR_IO_PENDING && wait(pipe, event, ov, written);
}

void PipeServer::serve(HANDLE pipe) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        std::unique_ptr<Session> session = factory_();
        Bytes message;
        while (readMessage(pipe, event, message))
            if (!writeMessage(pipe, event, session->handle(message))) break;
    }
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    CloseHandle(event);
    if (--threads_ == 0) SetEvent(idle_);
}

}  // namespace vboard
