// The instance endpoint on a Unix socket file, <dir>/<class>.sock, where <dir> is
// $XDG_RUNTIME_DIR/puckwind or, when XDG_RUNTIME_DIR is unset or not a directory of this user
// (as after su), ${TMPDIR:-/tmp}/puckwind-<uid>.
// The directory is made 0700 and is used only when it is a real directory (not a symbolic
// link) of this user that nobody else may enter, so another user can neither take the name
// first nor listen in our place; a client also checks the listener's user id.
//
// The holder keeps a lock on <dir>/<class>.lock for as long as it lives, so whether an instance
// runs is answered by the lock alone, at once, however busy the holder; and a socket file left
// by a game that crashed (its lock went with it) is simply replaced. A holder that goes removes
// both files.
//
// One thread serves every client at once with poll(), each with a deadline, so a client that
// connects and says nothing holds no one else up; when MAX_CLIENTS are waiting the oldest makes
// room for the next, so no number of silent clients keeps a command out.
//
// At most once: the holder sends its answer before it delivers, and delivers only when the
// answer went into the client's socket. A client that gives up first shuts its receiving side
// and looks once more; the kernel orders that shutdown and the answer's send, so either the
// answer is there (the client reports it) or the send fails and the message is dropped. A
// command reported as not answered is never acted on later.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "platform/endpoint/endpoint.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto CLIENT_TIMEOUT = std::chrono::seconds(5);  // a silent client is dropped then
constexpr std::size_t MAX_CLIENTS = 16;

// The directory of this user's endpoints, made first when `make`; empty, with the reason in
// *why, when there is none we can trust or, for a client, none at all.
std::string PrivateDirectory(bool make, std::string* why) {
    std::string dir;
    const char* runtime = secure_getenv("XDG_RUNTIME_DIR");
    const char* tmp = secure_getenv("TMPDIR");
    struct stat status {};
    if (runtime != nullptr && runtime[0] == '/' && stat(runtime, &status) == 0 &&
        S_ISDIR(status.st_mode) && status.st_uid == geteuid()) {
        dir = std::string(runtime) + "/puckwind";
    } else {
        dir = std::string(tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp") + "/puckwind-" +
              std::to_string(geteuid());
    }
    if (make) {
        mkdir(dir.c_str(), 0700);  // it may be there already: checked below
    }
    if (lstat(dir.c_str(), &status) != 0) {
        *why = dir + ": " + std::strerror(errno);
        return {};
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid() || (status.st_mode & 077) != 0) {
        *why = dir + " is not a folder of this user closed to others";
        return {};
    }
    return dir;
}

// What the user can do about a folder or path the endpoint cannot use.
constexpr char REMEDY[] = "; set XDG_RUNTIME_DIR or TMPDIR to a short path of a folder of your own";

// The socket's address, or false when there is no directory or the path does not fit.
bool SocketAddress(const std::string& dir, std::string_view className, sockaddr_un* address) {
    const std::string path = dir + "/" + std::string(className) + ".sock";
    *address = {};
    address->sun_family = AF_UNIX;
    if (dir.empty() || path.size() >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

std::string LockPath(const std::string& dir, std::string_view className) {
    return dir + "/" + std::string(className) + ".lock";
}

flock WholeFile(short type) {
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;  // l_start = l_len = 0: the whole file; l_pid = 0 as open-file locks need
}

bool SameUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           credentials.uid == geteuid();
}

// Whether the answer went into the client's socket: not when the client has given up.
bool AnswerAndClose(int fd, bool accepted) {
    const char answer = accepted ? 1 : 0;
    // MSG_NOSIGNAL: a client that already hung up must not raise SIGPIPE in the game.
    const bool sent = send(fd, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
    close(fd);
    return sent;
}

struct Client {
    int fd;
    Clock::time_point deadline;
    RequestBytes bytes{};
    std::size_t received = 0;
};

}  // namespace

struct InstanceEndpoint::Worker {
    int socket = -1;
    int lock = -1;
    int wake = -1;  // an eventfd: written when the endpoint goes away
    std::string socketPath;
    std::string lockPath;
    std::thread thread;

    ~Worker() {
        for (int fd : {socket, wake, lock}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }
};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view className,
                                                          Deliver deliver, std::string* unusable) {
    std::string why;
    const auto cannot = [&](const std::string& what) {
        if (unusable != nullptr) {
            *unusable = what + REMEDY;
        }
        return nullptr;
    };
    const std::string dir = PrivateDirectory(true, &why);
    sockaddr_un address;
    if (dir.empty()) {
        return cannot(why);
    }
    if (!SocketAddress(dir, className, &address)) {
        return cannot(dir + " is too long a path for a socket");
    }
    auto worker = std::make_unique<Worker>();
    worker->lockPath = LockPath(dir, className);
    for (;;) {
        worker->lock =
            open(worker->lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        flock lock = WholeFile(F_WRLCK);
        if (worker->lock < 0 || fcntl(worker->lock, F_OFD_SETLK, &lock) != 0) {
            if (worker->lock >= 0 && (errno == EAGAIN || errno == EACCES)) {
                return nullptr;  // another instance holds it
            }
            return cannot(worker->lockPath + ": " + std::strerror(errno));
        }
        struct stat locked {};
        struct stat named {};
        if (fstat(worker->lock, &locked) == 0 && stat(worker->lockPath.c_str(), &named) == 0 &&
            locked.st_ino == named.st_ino && locked.st_dev == named.st_dev) {
            break;
        }
        close(std::exchange(worker->lock, -1));  // a holder removed it as it went: again
    }
    // Ours now: whatever socket file is there was left by a game that has gone.
    unlink(address.sun_path);
    worker->socketPath = address.sun_path;
    worker->socket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    worker->wake = eventfd(0, EFD_CLOEXEC);
    if (worker->socket < 0 || worker->wake < 0 ||
        bind(worker->socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(worker->socket, static_cast<int>(MAX_CLIENTS)) != 0) {
        return cannot(worker->socketPath + ": " + std::strerror(errno));
    }
    std::unique_ptr<InstanceEndpoint> endpoint(new InstanceEndpoint(std::move(deliver)));
    endpoint->worker_ = std::move(worker);
    endpoint->worker_->thread = std::thread([e = endpoint.get()] { e->Serve(); });
    return endpoint;
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {}

InstanceEndpoint::~InstanceEndpoint() {
    const std::uint64_t one = 1;
    (void)!write(worker_->wake, &one, sizeof one);
    worker_->thread.join();
    // While the lock is still held (it goes with the worker), so nobody else's files are removed.
    unlink(worker_->socketPath.c_str());
    unlink(worker_->lockPath.c_str());
}

void InstanceEndpoint::Serve() {
    std::vector<Client> clients;
    std::vector<pollfd> polled;
    for (;;) {
        polled.assign({{worker_->wake, POLLIN, 0}, {worker_->socket, POLLIN, 0}});
        auto firstDeadline = Clock::time_point::max();
        for (const Client& client : clients) {
            polled.push_back({client.fd, POLLIN, 0});
            firstDeadline = std::min(firstDeadline, client.deadline);
        }
        int timeout = -1;
        if (!clients.empty()) {
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(firstDeadline - Clock::now());
            timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
        }
        if (poll(polled.data(), polled.size(), timeout) < 0 && errno != EINTR) {
            break;
        }
        if (polled[0].revents != 0) {
            break;
        }
        const auto now = Clock::now();
        for (std::size_t i = clients.size(); i-- > 0;) {
            Client& client = clients[i];
            bool done = now >= client.deadline;
            if (polled[i + 2].revents != 0) {
                const ssize_t n = recv(client.fd, client.bytes.data() + client.received,
                                       client.bytes.size() - client.received, 0);
                const bool ended = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
                client.received += n > 0 ? static_cast<std::size_t>(n) : 0;
                done = done || ended || client.received == client.bytes.size();
            }
            if (!done) {
                continue;
            }
            const auto request = DecodeRequest(std::span(client.bytes).first(client.received));
            if (AnswerAndClose(client.fd, request.has_value()) && request) {
                deliver_(request->message, request->wParam);
            }
            clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if ((polled[1].revents & POLLIN) != 0) {
            const int fd = accept4(worker_->socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0 && SameUser(fd)) {
                if (clients.size() == MAX_CLIENTS) {
                    AnswerAndClose(clients.front().fd, false);
                    clients.erase(clients.begin());
                }
                clients.push_back({fd, now + CLIENT_TIMEOUT});
            } else if (fd >= 0) {
                AnswerAndClose(fd, false);
            }
        }
    }
    for (const Client& client : clients) {
        close(client.fd);
    }
}

bool InstanceExists(std::string_view className) {
    std::string why;
    const std::string dir = PrivateDirectory(false, &why);
    if (dir.empty()) {
        return false;
    }
    const int fd = open(LockPath(dir, className).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    flock lock = WholeFile(F_WRLCK);
    const bool held = fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return held;
}

SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam) {
    sockaddr_un address;
    std::string why;
    if (!SocketAddress(PrivateDirectory(false, &why), className, &address)) {
        return SendResult::NoInstance;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return SendResult::NoInstance;
    }
    // Bounds the connect (a holder whose backlog is full) and the send; poll bounds the answer.
    const timeval timeout{ANSWER_TIMEOUT_MS / 1000, ANSWER_TIMEOUT_MS % 1000 * suseconds_t{1000}};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    SendResult result = SendResult::NoInstance;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        result = errno == EAGAIN ? SendResult::NoAnswer : SendResult::NoInstance;
    } else if (SameUser(fd)) {  // a listener of another user is nobody we talk to
        const RequestBytes request = EncodeRequest(message, wParam);
        const ssize_t sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        pollfd answer{fd, POLLIN, 0};
        const bool timedOut =
            (sent < 0 && errno == EAGAIN) ||
            (sent == std::ssize(request) && poll(&answer, 1, ANSWER_TIMEOUT_MS) == 0);
        // From here the holder's answer cannot be sent: it is in the socket or it never will be.
        shutdown(fd, SHUT_RD);
        char accepted = 0;
        if (recv(fd, &accepted, 1, MSG_DONTWAIT) == 1) {
            result = accepted == 1 ? SendResult::Delivered : SendResult::Refused;
        } else {
            result = timedOut ? SendResult::NoAnswer : SendResult::Refused;
        }
    }
    close(fd);
    return result;
}

}  // namespace platform
