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

// A security descriptor that admits the user this process runs as and no
// one else: that user owns it and holds its one entry.
class UserOnlySecurity {
public:
    UserOnlySecurity() : error_(make()) {}
    // Null when the descriptor could not be made; error() says why.
    SECURITY_ATTRIBUTES* attributes() { return error_ ? nullptr : &attributes_; }
    DWORD error() const { return error_; }

private:
    bool readUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        user_.resize(size);
        BOOL read = size && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
        DWORD error = GetLastError();
        CloseHandle(token);
        SetLastError(error);
        return read;
    }
    DWORD make() {
        if (!readUser()) return GetLastError() ? GetLastError() : ERROR_INVALID_SID;
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
        acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
        auto acl = reinterpret_cast<PACL>(acl_.data());
        if (!InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) ||
            !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) ||
            !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorOwner(&descriptor_, sid, FALSE) ||
            !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE))
            return GetLastError();
        attributes_ = SECURITY_ATTRIBUTES{sizeof attributes_, &descriptor_, FALSE};
        return 0;
    }

    std::vector<std::uint8_t> user_, acl_;  // the SID lives in user_
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    DWORD error_;
};

// Synchronous pipe I/O throughout: under Wine an overlapped completion costs
// extra thread switches that showed as a long tail of slow round trips. A
// thread blocked in a read is released on stop by disconnecting its pipe, a
// listening thread by connecting to it.

PipeServer::PipeServer(std::string name, Factory factory)
    : name_(std::move(name)), factory_(std::move(factory)), security_(std::make_unique<UserOnlySecurity>()) {
    idle_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

PipeServer::~PipeServer() {
    stop();
    CloseHandle(idle_);
}

HANDLE PipeServer::createInstance(bool first) {
    return CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, kMaxConnections, kBufferSize,
                            kBufferSize, 0, security_->attributes());
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
    if (DWORD error = claim()) {
        if (served_) CloseHandle(served_);
        served_ = nullptr;
        SetLastError(error);
        return false;
    }
    started_ = true;
    return true;
}

// Takes the name and starts the first listening thread; 0 or the error.
DWORD PipeServer::claim() {
    if (!security_->attributes()) return security_->error();
    // Wine does not refuse a second first instance, so a named object marks
    // the pipe as served, and a pipe of that name made by anyone else keeps
    // the server from starting.
    std::string marker = "quorvisim-served-" + name_;
    for (char& c : marker)
        if (c == '\\') c = '/';
    served_ = CreateMutexA(nullptr, FALSE, marker.c_str());
    if (served_ && GetLastError() == ERROR_ALREADY_EXISTS) return ERROR_PIPE_BUSY;
    if (WaitNamedPipeA(name_.c_str(), 1) || GetLastError() != ERROR_FILE_NOT_FOUND) return ERROR_PIPE_BUSY;
    HANDLE first = createInstance(true);
    if (first == INVALID_HANDLE_VALUE) return GetLastError();
    stopping_ = false;
    listeners_ = 1;
    ResetEvent(idle_);
    if (!spawn(first)) {
        SetEvent(idle_);
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
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
