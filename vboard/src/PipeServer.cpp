#include "vboard/PipeServer.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>

namespace vboard {

namespace {

constexpr DWORD kBufferSize = 65536;
// Longest message kept; anything longer is read to its end and refused.
constexpr std::size_t kMaxMessage = 65536;

}  // namespace

// Synchronous pipe I/O throughout: under Wine an overlapped completion costs
// extra thread switches that showed as a long tail of slow round trips. A
// thread blocked in a read is released on stop by disconnecting its pipe, a
// listening thread by connecting to it.

PipeServer::PipeServer(std::string name, Factory factory) : name_(std::move(name)), factory_(std::move(factory)) {
    idle_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

PipeServer::~PipeServer() {
    stop();
    CloseHandle(idle_);
}

HANDLE PipeServer::createInstance() {
    return CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            kMaxConnections, kBufferSize, kBufferSize, 0, nullptr);
}

// A thread for `pipe`, or false (the instance closed) when none can be made:
// a flood of connections must not end the service.
bool PipeServer::spawn(HANDLE pipe) {
    ++threads_;
    try {
        std::thread([this, pipe] { work(pipe); }).detach();
        return true;
    } catch (const std::system_error&) {
        --threads_;
        CloseHandle(pipe);
        return false;
    }
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
    HANDLE first = createInstance();
    if (first == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(served_);
        served_ = nullptr;
        SetLastError(error);
        return false;
    }
    stopping_ = false;
    listeners_ = 1;
    ResetEvent(idle_);
    if (!spawn(first)) {
        SetEvent(idle_);
        CloseHandle(served_);
        served_ = nullptr;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    started_ = true;
    return true;
}

void PipeServer::stop() {
    if (!started_) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (HANDLE pipe : waiting_) DisconnectNamedPipe(pipe);
    }
    // Wakes the listening thread, which then sees the stop; knock until
    // every thread has ended.
    do {
        HANDLE knock = CreateFileA(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (knock != INVALID_HANDLE_VALUE) CloseHandle(knock);
    } while (WaitForSingleObject(idle_, 20) == WAIT_TIMEOUT);
    CloseHandle(served_);
    served_ = nullptr;
    started_ = false;
}

// Each thread owns one instance: it listens, and once a client connects
// serves it. The pipe name must never vanish, or a client opening it in that
// moment would be told no service runs: a thread whose client connects
// creates the next listening instance first if it was the last, and a thread
// whose client has gone keeps its instance listening if no other listens.
void PipeServer::work(HANDLE pipe) {
    for (;;) {
        bool connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
        {
            std::lock_guard lock(mutex_);
            --listeners_;
            if (stopping_) break;
            if (listeners_ == 0) {
                HANDLE next = createInstance();
                if (next != INVALID_HANDLE_VALUE && spawn(next)) ++listeners_;
            }
        }
        if (connected) serve(pipe);
        DisconnectNamedPipe(pipe);
        std::lock_guard lock(mutex_);
        if (stopping_ || listeners_ > 0) break;
        ++listeners_;
    }
    CloseHandle(pipe);
    if (--threads_ == 0) SetEvent(idle_);
}

bool PipeServer::readMessage(HANDLE pipe, Bytes& message) {
    message.clear();
    std::uint8_t chunk[4096];
    bool oversize = false;
    for (;;) {
        DWORD got = 0;
        BOOL ok = ReadFile(pipe, chunk, sizeof chunk, &got, nullptr);
        if (!ok && GetLastError() != ERROR_MORE_DATA) return false;
        if (message.size() + got > kMaxMessage) oversize = true;
        if (!oversize) message.insert(message.end(), chunk, chunk + got);
        if (ok) break;
    }
    if (oversize) message.clear();
    return true;
}

// A connection waiting for its next request is released by a stop at once;
// one in the middle of a request answers it first.
void PipeServer::serve(HANDLE pipe) {
    std::unique_ptr<Session> session = factory_();
    Bytes message;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) break;
            waiting_.push_back(pipe);
        }
        bool got = readMessage(pipe, message);
        {
            std::lock_guard lock(mutex_);
            waiting_.erase(std::find(waiting_.begin(), waiting_.end(), pipe));
        }
        if (!got) break;
        Bytes reply;
        try {
            reply = session->handle(message);
        } catch (const std::exception&) {
            break;  // out of memory, say: this client loses its connection, the service goes on
        }
        DWORD written = 0;
        if (!WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &written, nullptr)) break;
    }
}

}  // namespace vboard
