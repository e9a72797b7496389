// The instance endpoint on a named pipe ("\\.\pipe\<class>.<user SID>").
//
// Offers the same operations and wire format as on Linux: a request is 16 bytes (magic, message,
// wParam), the answer one byte, 1 when accepted and 0 when refused. The pipe's security
// descriptor lets the user alone open it, remote clients are rejected, and every client's
// process token is checked against the user's SID before its request is read.
//
// The endpoint holds a pool of two pipe instances for its whole life. Clients are served one at a
// time, and while one instance serves, the other listens: a single instance turns clients away
// as busy from the moment it is disconnected until it listens again, and under Wine a crowd of
// senders lost one now and then. Holding every instance the pipe allows also keeps a second
// holder out under Wine, which does not enforce FILE_FLAG_FIRST_PIPE_INSTANCE.
#include "platform/instance.h"

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
constexpr ULONGLONG BUSY_WAIT_MS = 10000;    // how long a sender queues behind other senders

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

bool SameUser(HANDLE pipe) {
    ULONG pid = 0;
    if (!GetNamedPipeClientProcessId(pipe, &pid)) {
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

// Waits for an overlapped operation on the pipe; false when it failed, the stop event was
// set or the time ran out (the operation is then cancelled).
bool Finish(HANDLE pipe, OVERLAPPED* io, HANDLE stop, DWORD timeout, DWORD* transferred) {
    const HANDLE waits[2] = {io->hEvent, stop};
    if (WaitForMultipleObjects(2, waits, FALSE, timeout) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, io, transferred, TRUE);
        return false;
    }
    return GetOverlappedResult(pipe, io, transferred, FALSE) != 0;
}

bool ReadAll(HANDLE pipe, void* data, DWORD size, HANDLE stop) {
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        OVERLAPPED io{};
        io.hEvent = event.value;
        DWORD n = 0;
        if (!ReadFile(pipe, bytes, size, nullptr, &io) && GetLastError() != ERROR_IO_PENDING) {
            return false;
        }
        if (!Finish(pipe, &io, stop, IO_TIMEOUT_MS, &n) || n == 0) {
            return false;
        }
        bytes += n;
        size -= n;
    }
    return true;
}

HANDLE Connect(std::string_view className) {
    const std::string name = PipeName(className);
    // A busy pipe is waited for until a deadline rather than for a number of tries: every
    // waiter wakes when an instance frees up and only one of them gets it, so a crowd of
    // senders would use up any fixed count of tries.
    const ULONGLONG deadline = GetTickCount64() + BUSY_WAIT_MS;
    for (;;) {
        HANDLE pipe =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            return pipe;
        }
        const ULONGLONG now = GetTickCount64();
        if (GetLastError() != ERROR_PIPE_BUSY || now >= deadline) {
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

// Writes the one-byte answer and waits for the client to close: disconnecting before it has
// read the answer would throw the answer away.
void Answer(HANDLE pipe, bool accepted, HANDLE stop) {
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED out{};
    out.hEvent = event.value;
    const char answer = accepted ? 1 : 0;
    DWORD written = 0;
    if (WriteFile(pipe, &answer, 1, nullptr, &out) || GetLastError() == ERROR_IO_PENDING) {
        Finish(pipe, &out, stop, IO_TIMEOUT_MS, &written);
        char rest = 0;
        ReadAll(pipe, &rest, 1, stop);
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
        const bool accepted = SameUser(listener.pipe) &&
                              ReadAll(listener.pipe, &request, sizeof request, w.stop) &&
                              request.magic == MAGIC &&
                              (request.message == WM_COMMAND || request.message == WM_CLOSE);
        if (accepted) {
            deliver_(request.message, request.wParam);
        }
        Answer(listener.pipe, accepted, w.stop);
        DisconnectNamedPipe(listener.pipe);
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
    Handle pipe(Connect(className));
    return pipe.Valid();
}

SendResult SendToInstance(std::string_view className, unsigned message, WPARAM wParam) {
    Handle pipe(Connect(className));
    if (!pipe.Valid()) {
        return SendResult::NoInstance;
    }
    const Request request{MAGIC, message, wParam};
    DWORD written = 0;
    DWORD read = 0;
    char accepted = 0;
    const bool ok = WriteFile(pipe.value, &request, sizeof request, &written, nullptr) &&
                    written == sizeof request &&
                    ReadFile(pipe.value, &accepted, 1, &read, nullptr) && read == 1 &&
                    accepted == 1;
    return ok ? SendResult::Delivered : SendResult::Refused;
}

}  // namespace platform
