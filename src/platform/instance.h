// The per-user endpoint that stands for a window class across processes: a second instance
// finds the first by reaching it, and another program of the same user may post WM_COMMAND or
// WM_CLOSE through it, nothing else. On Linux it is an abstract Unix socket named after the class
// and the user id; the peer's user id is checked on every connection. On Windows it is a named
// pipe named after the class and the user's SID, open to that user alone.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace platform {

class InstanceEndpoint {
  public:
    using Deliver = std::function<void(unsigned message, WPARAM wParam)>;
    // Claims the endpoint, or returns null when another process holds it. Accepted messages
    // are handed to deliver on the endpoint's own thread.
    static std::unique_ptr<InstanceEndpoint> Claim(std::string_view className, Deliver deliver);
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

// Whether a process holds the endpoint of this class.
bool InstanceExists(std::string_view className);

enum class SendResult { Delivered, NoInstance, Refused };
// Posts a message to the window behind the endpoint.
SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam);

}  // namespace platform
