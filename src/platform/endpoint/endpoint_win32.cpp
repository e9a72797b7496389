// The instance endpoint on a named pipe ("\\.\pipe\<class>.<user SID>").
//
// Offers the same operations and wire format as on Linux: a request is 16 bytes (magic, message,
// wParam), the answer one byte, 1 when accepted and 0 when refused. The pipe's security
// descriptor lets the user alone open it, remote clients are rejected, and every client's
// process token is checked against the user's SID before its request is read. Pipe names are
// machine-wide, so another user may make a pipe of this name first: a client checks the
// server's process token the same way and talks to nobody else's.
//
// A client waits for nothing longer than ANSWER_TIMEOUT_MS in all, a frozen holder included.
// The holder writes its answer before it delivers, and delivers only when the write succeeds:
// a client that gave up has closed the pipe, so its request is dropped. A pipe cannot be shut
// halfway as a socket can, so one instant remains: an answer written after the client's last
// look past its deadline and before its close is lost while the message is delivered.
//
// The endpoint holds a pool of two pipe instances for its whole life. Clients are served one at a
// time, and while one instance serves, the other listens: a single instance turns clients away
// as busy from the moment it is disconnected until it listens again, and under Wine a crowd of
// senders lost one now and then. Holding every instance the pipe allows also keeps a second
// holder out under Wine, which does not enforce FILE_FLAG_FIRST_PIPE_INSTANCE.
#include "platform/endpoint/endpoint.h"

// windows.h after our headers (its message macros carry the same numbers as ours), sddl.h after it.
#include <windows.h>

#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t MAGIC = 0x444E5750;  // "PWND"
constexpr DWORD IO_TIMEOUT_MS = 1000;        // a silent client must not hold the endpoint
constexpr DWORD INSTANCES = 2;               // one serving while the other listens

struct Request {
    std::uint32_t magic;
    std::uint32_t message;
    std::uint64_t wParam;
};
static_assert(sizeof(Request) == 16);

// Closes a handle when it goes out of scope.
struct Handle {
    HANDLE value = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE h) : value(h) {}
    ~Handle() {
        if (value != nullptr && value != INVALID_HANDLE_VALUE) {
            CloseHandle(value);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return value != nullptr && value != INVALID_HANDLE_VALUE; }
};

// The TOKEN_USER of a process, or empty when it cannot be read.
std::vector<unsigned char> TokenUserOf(HANDLE process) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) {
        return {};
    }
    Handle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.value, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token.value, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    return buffer;
}

PSID SidOf(std::vector<unsigned char>& tokenUser) {
    return reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid;
}

std::string OwnSidString() {
    std::vector<unsigned char> user = TokenUserOf(GetCurrentProcess());
    char* text = nullptr;
    if (user.empty() || !ConvertSidToStringSidA(SidOf(user), &text)) {
        return {};
    }
    std::string sid(text);
    LocalFree(text);
    return sid;
}

std::string PipeName(std::string_view className) {
    return "\\\\.\\pipe\\" + std::string(className) + "." + OwnSidString();
}

// Whether the process at the other end of the pipe, its server or its client, runs as this user.
bool SameUser(HANDLE pipe, bool server) {
    ULONG pid = 0;
    if (!(server ? GetNamedPipeServerProcessId(pipe, &pid)
                 : GetNamedPipeClientProcessId(pipe, &pid))) {
        return false;
    }
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process.Valid()) {
        return false;
    }
    std::vector<unsigned char> peer = TokenUserOf(process.value);
    std::vector<unsigned char> own = TokenUserOf(GetCurrentProcess());
    return !peer.empty() && !own.empty() && EqualSid(SidOf(peer), SidOf(own));
}

// Waits for an overlapped operation on the pipe until it ends, stop (when given) is set or the
// deadline passes, and then cancels it; whether it was done, if only just before the cancel.
bool Finish(HANDLE pipe, OVERLAPPED* io, HANDLE stop, ULONGLONG deadline, DWORD* transferred) {
    const HANDLE waits[2] = {io->hEvent, stop};
    const ULONGLONG now = GetTickCount64();
    const auto timeout = static_cast<DWORD>(now < deadline ? deadline - now : 0);
    if (WaitForMultipleObjects(stop != nullptr ? 2 : 1, waits, FALSE, timeout) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, io);
    }
    return GetOverlappedResult(pipe, io, transferred, TRUE) != 0;
}

// Reads, or writes, all size bytes by the deadline.
bool Transfer(HANDLE pipe, bool write, void* data, DWORD size, HANDLE stop, ULONGLONG deadline) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        OVERLAPPED io{};
        io.hEvent = event.value;
        DWORD n = 0;
        const BOOL done = write ? WriteFile(pipe, bytes, size, nullptr, &io)
                                : ReadFile(pipe, bytes, size, nullptr, &io);
        if (!done && GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        if (!Finish(pipe, &io, stop, deadline, &n) || n == 0) {
            return false;
        }
        bytes += n;
        size -= n;
    }
    return true;
}

// A client end of the pipe whose server runs as this user, or INVALID_HANDLE_VALUE, with *busy
// when the pipe stayed busy until the deadline.
HANDLE Connect(std::string_view className, ULONGLONG deadline, bool* busy) {
    const std::string name = PipeName(className);
    // A busy pipe is waited for until a deadline rather than for a number of tries: every
    // waiter wakes when an instance frees up and only one of them gets it, so a crowd of
    // senders would use up any fixed count of tries.
    for (;;) {
        HANDLE pipe = CreateFileA(
            name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
            FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        *busy = pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PIPE_BUSY;
        if (pipe != INVALID_HANDLE_VALUE) {
            if (SameUser(pipe, true)) {
                return pipe;
            }
            CloseHandle(pipe);  // another user's pipe of this name is nobody we talk to
            return INVALID_HANDLE_VALUE;
        }
        const ULONGLONG now = GetTickCount64();
        if (!*busy || now >= deadline) {
            return INVALID_HANDLE_VALUE;
        }
        WaitNamedPipeA(name.c_str(), static_cast<DWORD>(std::min(deadline - now, ULONGLONG{100})));
    }
}

// An instance of the endpoint's pipe, or INVALID_HANDLE_VALUE. Only the first may create the
// name: FILE_FLAG_FIRST_PIPE_INSTANCE fails when another process already holds it.
HANDLE CreateInstance(const std::string& name, PSECURITY_DESCRIPTOR descriptor, bool first) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    return CreateNamedPipeA(
        name.c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, INSTANCES, 64,
        64, 0, &attributes);
}

// One instance of the pipe and its pending ConnectNamedPipe.
struct Listener {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;  // set once a client is there
    OVERLAPPED io{};
};

// Lets the instance take the next client.
void Listen(Listener& listener, HANDLE stop) {
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        ResetEvent(listener.event);
        listener.io = OVERLAPPED{};
        listener.io.hEvent = listener.event;
        const bool done = ConnectNamedPipe(listener.pipe, &listener.io) != 0;
        const DWORD error = done ? ERROR_PIPE_CONNECTED : GetLastError();
        if (error == ERROR_IO_PENDING) {
            return;
        }
        if (error == ERROR_PIPE_CONNECTED) {
            SetEvent(listener.event);
            return;
        }
        // A client that left before it was seen; a pause keeps a lasting fault from spinning.
        DisconnectNamedPipe(listener.pipe);
        WaitForSingleObject(stop, 10);
    }
}

}  // namespace

struct InstanceEndpoint::Worker {
    Listener listeners[INSTANCES];
    HANDLE stop = nullptr;
    std::thread thread;

    ~Worker() {
        for (Listener& listener : listeners) {
            if (listener.pipe != INVALID_HANDLE_VALUE) {
                CloseHandle(listener.pipe);
            }
            if (listener.event != nullptr) {
                CloseHandle(listener.event);
            }
        }
        if (stop != nullptr) {
            CloseHandle(stop);
        }
    }
};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view className,
                                                          Deliver deliver, std::string* unusable) {
    const auto cannot = [&](const std::string& what) {
        if (unusable != nullptr) {
            *unusable = what + " (error " + std::to_string(GetLastError()) + ")";
        }
        return nullptr;
    };
    const std::string sid = OwnSidString();
    // Protected DACL: full access for the user, nobody else.
    const std::string sddl = "D:P(A;;GA;;;" + sid + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (sid.empty() || !ConvertStringSecurityDescriptorToSecurityDescriptorA(
                           sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        return cannot("no pipe open to this user alone can be made");
    }
    const std::string name = PipeName(className);
    auto worker = std::make_unique<Worker>();
    worker->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool made = worker->stop != nullptr;
    DWORD error = 0;
    for (DWORD i = 0; made && i < INSTANCES; ++i) {
        Listener& listener = worker->listeners[i];
        listener.pipe = CreateInstance(name, descriptor, i == 0);
        error = GetLastError();
        listener.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        made = listener.pipe != INVALID_HANDLE_VALUE && listener.event != nullptr;
    }
    LocalFree(descriptor);
    if (!made && (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY) &&
        InstanceExists(className)) {
        return nullptr;  // another instance holds it
    }
    if (!made) {
        SetLastError(error);
        return cannot(name +
                      " is held by a program that is not this user's game or that hangs;"
                      " end that program");
    }
    std::unique_ptr<InstanceEndpoint> endpoint(new InstanceEndpoint(std::move(deliver)));
    endpoint->worker_ = std::move(worker);
    endpoint->worker_->thread = std::thread([e = endpoint.get()] { e->Serve(); });
    return endpoint;
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {}

InstanceEndpoint::~InstanceEndpoint() {
    SetEvent(worker_->stop);  // wakes whatever wait Serve is in
    if (worker_->thread.joinable()) {
        worker_->thread.join();
    }
}

void InstanceEndpoint::Serve() {
    Worker& w = *worker_;
    HANDLE waits[INSTANCES + 1] = {w.stop};
    for (DWORD i = 0; i < INSTANCES; ++i) {
        Listen(w.listeners[i], w.stop);
        waits[i + 1] = w.listeners[i].event;
    }
    for (;;) {
        const DWORD which = WaitForMultipleObjects(INSTANCES + 1, waits, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0 || which > WAIT_OBJECT_0 + INSTANCES) {
            break;  // stopped, or a wait that cannot go on
        }
        Listener& listener = w.listeners[which - WAIT_OBJECT_0 - 1];
        Request request{};
        const HANDLE pipe = listener.pipe;
        const bool accepted = SameUser(pipe, false) &&
                              Transfer(pipe, false, &request, sizeof request, w.stop,
                                       GetTickCount64() + IO_TIMEOUT_MS) &&
                              request.magic == MAGIC &&
                              (request.message == WM_COMMAND || request.message == WM_CLOSE);
        char answer = accepted ? 1 : 0;
        if (Transfer(pipe, true, &answer, 1, w.stop, GetTickCount64() + IO_TIMEOUT_MS) &&
            accepted) {
            deliver_(request.message, request.wParam);
        }
        // Disconnecting before the client has read the answer would throw the answer away: wait
        // for its close.
        Transfer(pipe, false, &answer, 1, w.stop, GetTickCount64() + IO_TIMEOUT_MS);
        DisconnectNamedPipe(pipe);
        Listen(listener, w.stop);
    }
    // The pending connections write into the listeners: they end before the worker does.
    for (Listener& listener : w.listeners) {
        DWORD unused = 0;
        CancelIo(listener.pipe);
        GetOverlappedResult(listener.pipe, &listener.io, &unused, TRUE);
    }
}

bool InstanceExists(std::string_view className) {
    bool busy = false;
    Handle pipe(Connect(className, GetTickCount64() + ANSWER_TIMEOUT_MS, &busy));
    return pipe.Valid();
}

SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam) {
    const ULONGLONG deadline = GetTickCount64() + ANSWER_TIMEOUT_MS;
    bool busy = false;
    Handle pipe(Connect(className, deadline, &busy));
    if (!pipe.Valid()) {
        return busy ? SendResult::NoAnswer : SendResult::NoInstance;
    }
    Request request{MAGIC, message, wParam};
    char accepted = 0;
    if (Transfer(pipe.value, true, &request, sizeof request, nullptr, deadline) &&
        Transfer(pipe.value, false, &accepted, 1, nullptr, deadline)) {
        return accepted == 1 ? SendResult::Delivered : SendResult::Refused;
    }
    return GetTickCount64() >= deadline ? SendResult::NoAnswer : SendResult::Refused;
}

}  // namespace platform
