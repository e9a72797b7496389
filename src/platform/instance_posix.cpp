// The instance endpoint on an abstract Unix socket ("\0<class>.<uid>").
//
// Wire format, both directions little-endian: a request is 16 bytes (magic, message, wParam);
// the answer is one byte, 1 when the message was accepted and 0 when it was refused.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <thread>

#include "platform/instance.h"

namespace platform {

namespace {

constexpr std::uint32_t MAGIC = 0x444E5750;  // "PWND"

struct Request {
    std::uint32_t magic;
    std::uint32_t message;
    std::uint64_t wParam;
};
static_assert(sizeof(Request) == 16);

socklen_t AddressFor(std::string_view className, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    const std::string name = std::string(className) + "." + std::to_string(getuid());
    const std::size_t length = std::min(name.size(), sizeof address->sun_path - 2);
    std::memcpy(address->sun_path + 1, name.data(), length);  // sun_path[0] = 0: abstract
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

int Connect(std::string_view className) {
    sockaddr_un address;
    const socklen_t length = AddressFor(className, &address);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool ReadAll(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = read(fd, bytes, size);
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SameUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           credentials.uid == getuid();
}

}  // namespace

struct InstanceEndpoint::Worker {
    int socket = -1;
    std::thread thread;
};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view className,
                                                          Deliver deliver) {
    sockaddr_un address;
    const socklen_t length = AddressFor(className, &address);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return nullptr;
    }
    std::unique_ptr<InstanceEndpoint> endpoint(new InstanceEndpoint(std::move(deliver)));
    endpoint->worker_ = std::make_unique<Worker>();
    endpoint->worker_->socket = fd;
    endpoint->worker_->thread = std::thread([e = endpoint.get()] { e->Serve(); });
    return endpoint;
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {}

InstanceEndpoint::~InstanceEndpoint() {
    shutdown(worker_->socket, SHUT_RDWR);  // wakes the accept below
    if (worker_->thread.joinable()) {
        worker_->thread.join();
    }
    close(worker_->socket);
}

void InstanceEndpoint::Serve() {
    for (;;) {
        const int client = accept4(worker_->socket, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            return;
        }
        timeval timeout{1, 0};  // a silent client must not hold the endpoint
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        Request request{};
        char accepted = 0;
        if (SameUser(client) && ReadAll(client, &request, sizeof request) &&
            request.magic == MAGIC &&
            (request.message == WM_COMMAND || request.message == WM_CLOSE)) {
            deliver_(request.message, request.wParam);
            accepted = 1;
        }
        // MSG_NOSIGNAL: a client that already hung up must not raise SIGPIPE in the game.
        (void)!send(client, &accepted, 1, MSG_NOSIGNAL);
        close(client);
    }
}

bool InstanceExists(std::string_view className) {
    const int fd = Connect(className);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam) {
    const int fd = Connect(className);
    if (fd < 0) {
        return SendResult::NoInstance;
    }
    const Request request{MAGIC, message, wParam};
    char accepted = 0;
    const bool ok = send(fd, &request, sizeof request, MSG_NOSIGNAL) == sizeof request &&
                    ReadAll(fd, &accepted, 1) && accepted == 1;
    close(fd);
    return ok ? SendResult::Delivered : SendResult::Refused;
}

}  // namespace platform
