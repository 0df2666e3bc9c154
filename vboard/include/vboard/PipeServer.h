#pragma once
// A message-mode named-pipe server: one thread per connection, each message
// answered by that connection's session before the next is read, so one
// client never waits for another longer than one request. Only the user the
// server runs as may connect, and the server starts only as the pipe's first
// instance, so no other program can take the name before or beside it.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vboard {

using Bytes = std::vector<std::uint8_t>;

class UserOnlySecurity;

class Session {
public:
    virtual ~Session() = default;
    // `message` is empty when the client sent more than the server accepts.
    virtual Bytes handle(const Bytes& message) = 0;
};

class PipeServer {
public:
    using Factory = std::function<std::unique_ptr<Session>()>;
    // Connections served at once; a client beyond them finds the pipe busy.
    static constexpr DWORD kMaxConnections = 128;

    PipeServer(std::string name, Factory factory);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // False, with the last error set, when the pipe name is already served
    // (ERROR_PIPE_BUSY) or cannot be made safe.
    bool start();
    // Ends every connection and waits for their threads.
    void stop();

private:
    DWORD claim();
    HANDLE createInstance(bool first = false);
    bool spawn(HANDLE pipe);
    void work(HANDLE pipe);
    void serve(HANDLE pipe);
    bool readMessage(HANDLE pipe, Bytes& message);

    std::string name_;
    Factory factory_;
    std::unique_ptr<UserOnlySecurity> security_;
    HANDLE idle_ = nullptr;    // set while no thread runs
    HANDLE served_ = nullptr;  // named marker held while serving
    std::atomic<int> threads_{0};
    bool started_ = false;
    std::mutex mutex_;  // guards the three below
    bool stopping_ = false;
    int listeners_ = 0;  // instances created and not yet connected
    std::vector<HANDLE> waiting_;  // connections blocked reading their next request
};

}  // namespace vboard
