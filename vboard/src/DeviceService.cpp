#include "vboard/DeviceService.h"

#include <cstring>

#include "win/Device.h"

namespace vboard {

namespace {

using namespace win::devicepipe;

Bytes Answer(std::uint32_t error, const Bytes& out = {}, const std::vector<std::uint32_t>& side = {}) {
    ReplyHeader head{error, error ? 0u : static_cast<std::uint32_t>(out.size()),
                     static_cast<std::uint32_t>(side.size() * 4)};
    Bytes reply(sizeof head + head.returned + head.sideSize);
    std::memcpy(reply.data(), &head, sizeof head);
    if (head.returned) std::memcpy(reply.data() + sizeof head, out.data(), head.returned);
    if (head.sideSize) std::memcpy(reply.data() + sizeof head + head.returned, side.data(), head.sideSize);
    return reply;
}

class DeviceSession : public Session {
public:
    explicit DeviceSession(Driver& driver) : driver_(driver) {}
    ~DeviceSession() override {
        if (handle_) driver_.close(handle_);
    }

    Bytes handle(const Bytes& message) override {
        RequestHeader head{};
        if (message.size() < sizeof head) return Answer(ERROR_INVALID_PARAMETER);
        std::memcpy(&head, message.data(), sizeof head);
        std::size_t rest = message.size() - sizeof head;
        if (head.inSize > rest || head.inSize > kMaxBody || head.sideSize != rest - head.inSize ||
            head.sideSize > kMaxSide || head.outSize > kMaxBody)
            return Answer(ERROR_INVALID_PARAMETER);
        const std::uint8_t* body = message.data() + sizeof head;
        switch (static_cast<Kind>(head.kind)) {
        case Kind::Open:
            return head.sideSize ? Answer(ERROR_INVALID_PARAMETER) : open(body, head.inSize);
        case Kind::Control: {
            if (!handle_) return Answer(ERROR_INVALID_HANDLE);
            Reply r = driver_.request(handle_, head.code, body, head.inSize, head.outSize, body + head.inSize,
                                      head.sideSize);
            Driver::settle(r.waiters);
            // The client's waiter also watches this process, so it ends
            // should the service die without clearing the callback.
            if (!r.error && head.code == quorvi::QUORVI_SET_CALLBACK) return Answer(0, r.out, {GetCurrentProcessId()});
            return Answer(r.error, r.out);
        }
        case Kind::Close: {
            std::vector<void*> waiters;
            if (handle_) driver_.close(handle_, &waiters);
            Driver::settle(waiters);
            handle_ = 0;
            return Answer(0);
        }
        }
        return Answer(ERROR_INVALID_FUNCTION);
    }

private:
    Bytes open(const std::uint8_t* body, std::uint32_t size) {
        OpenBody request{};
        if (handle_ || size != sizeof request) return Answer(ERROR_INVALID_PARAMETER);
        std::memcpy(&request, body, sizeof request);
        if (!std::memchr(request.name, 0, sizeof request.name)) return Answer(ERROR_INVALID_PARAMETER);
        return Answer(driver_.open(request.name, handle_,
                                   OpenArgs{request.access, request.share, request.disposition, request.flags}));
    }

    Driver& driver_;
    std::uint32_t handle_ = 0;
};

}  // namespace

std::unique_ptr<Session> MakeDeviceSession(Driver& driver) { return std::make_unique<DeviceSession>(driver); }

DeviceService::DeviceService(Driver& driver)
    : PipeServer(kPipeName, [&driver] { return MakeDeviceSession(driver); }) {}

}  // namespace vboard
