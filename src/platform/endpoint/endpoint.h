// The per-user endpoint that stands for a window class across processes: a second instance
// finds the first by it, and another program of the same user may post WM_COMMAND or WM_CLOSE
// through it, nothing else. On Linux it is a Unix socket file in a directory only its user can
// enter (see endpoint_posix.cpp); the peer's user id is checked on both ends of every
// connection. On Windows it is a named pipe named after the class and the user's SID, open to
// that user alone.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace platform {

class InstanceEndpoint {
  public:
    using Deliver = std::function<void(unsigned message, WPARAM wParam)>;
    // Claims the endpoint, or returns null when another process of this user holds it. When it
    // cannot be had for any other reason (its folder taken by another user, a path too long for
    // a socket, a lock file that cannot be opened, a pipe name another user holds), returns
    // null with *unusable saying why and what the user can do. Accepted messages are handed to
    // deliver on the endpoint's own thread, each after its sender has been told it was.
    static std::unique_ptr<InstanceEndpoint> Claim(std::string_view className, Deliver deliver,
                                                   std::string* unusable = nullptr);
    ~InstanceEndpoint();
    InstanceEndpoint(const InstanceEndpoint&) = delete;
    InstanceEndpoint& operator=(const InstanceEndpoint&) = delete;

  private:
    explicit InstanceEndpoint(Deliver deliver);
    void Serve();
    Deliver deliver_;
    struct Worker;  // the system's listening handle and the thread that serves it
    std::unique_ptr<Worker> worker_;
};

// Whether a process of this user holds the endpoint of this class. On Linux it never waits on
// the holder; on Windows it waits at most ANSWER_TIMEOUT_MS for a busy pipe (false then).
bool InstanceExists(std::string_view className);

enum class SendResult { Delivered, NoInstance, Refused, NoAnswer };
// Posts a message to the window behind the endpoint; NoAnswer when the holder says nothing
// within ANSWER_TIMEOUT_MS, and then the holder drops the message rather than deliver it late
// (see each platform's file for how closely).
SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam);
constexpr int ANSWER_TIMEOUT_MS = 2000;

// The wire format, both directions: a request is 16 bytes, little-endian (the magic "PWND",
// the message, the wParam); the answer is one byte, 1 when the message was accepted and 0 when
// it was refused.
constexpr std::uint32_t REQUEST_MAGIC = 0x444E5750;
using RequestBytes = std::array<std::byte, 16>;
struct EndpointRequest {
    unsigned message = 0;
    WPARAM wParam = 0;
};

inline RequestBytes EncodeRequest(unsigned message, WPARAM wParam) {
    RequestBytes bytes{};
    const std::uint64_t head = REQUEST_MAGIC | std::uint64_t{message} << 32;
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::byte>(head >> (8 * i));
        bytes[8 + i] = static_cast<std::byte>(wParam >> (8 * i));
    }
    return bytes;
}

// The request a message of the endpoint carries: only a whole one, with the magic, of
// WM_COMMAND or WM_CLOSE; anything else is refused.
inline std::optional<EndpointRequest> DecodeRequest(std::span<const std::byte> bytes) {
    if (bytes.size() != RequestBytes{}.size()) {
        return std::nullopt;
    }
    std::uint64_t head = 0;
    std::uint64_t wParam = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        head |= std::to_integer<std::uint64_t>(bytes[i]) << (8 * i);
        wParam |= std::to_integer<std::uint64_t>(bytes[8 + i]) << (8 * i);
    }
    const auto message = static_cast<unsigned>(head >> 32);
    if (static_cast<std::uint32_t>(head) != REQUEST_MAGIC ||
        (message != WM_COMMAND && message != WM_CLOSE)) {
        return std::nullopt;
    }
    return EndpointRequest{message, wParam};
}

}  // namespace platform
