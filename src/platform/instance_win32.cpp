// The instance endpoint on a named pipe ("\\.\pipe\<class>.<user SID>").
//
// Offers the same operations and wire format as on Linux: a request is 16 bytes (magic, message,
// wParam), the answer one byte, 1 when accepted and 0 when refused. The pipe's security
// descriptor lets the user alone open it, remote clients are rejected, and every client's
// process token is checked against the user's SID before its request is read.
#include "platform/instance.h"

// windows.h after our headers (its message macros carry the same numbers as ours), sddl.h after it.
#include <windows.h>

#include <sddl.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t MAGIC = 0x444E5750;  // "PWND"
constexpr DWORD IO_TIMEOUT_MS = 1000;        // a silent client must not hold the endpoint

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
    // The endpoint serves one client at a time; a busy pipe is waited for briefly.
    for (int attempt = 0; attempt < 20; ++attempt) {
        HANDLE pipe =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            return pipe;
        }
        if (GetLastError() != ERROR_PIPE_BUSY) {
            return INVALID_HANDLE_VALUE;
        }
        WaitNamedPipeA(name.c_str(), IO_TIMEOUT_MS);
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

struct InstanceEndpoint::Worker {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE stop = nullptr;
    std::thread thread;
};

std::unique_ptr<InstanceEndpoint> InstanceEndpoint::Claim(std::string_view className,
                                                          Deliver deliver) {
    const std::string sid = OwnSidString();
    if (sid.empty()) {
        return nullptr;
    }
    // Protected DACL: full access for the user, nobody else.
    const std::string sddl = "D:P(A;;GA;;;" + sid + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    // FIRST_PIPE_INSTANCE: creation fails when another process already holds the name.
    const HANDLE pipe = CreateNamedPipeA(
        PipeName(className).c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 64, 64, 0,
        &attributes);
    LocalFree(descriptor);
    if (pipe == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    const HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop == nullptr) {
        CloseHandle(pipe);
        return nullptr;
    }
    std::unique_ptr<InstanceEndpoint> endpoint(new InstanceEndpoint(std::move(deliver)));
    endpoint->worker_ = std::make_unique<Worker>();
    endpoint->worker_->pipe = pipe;
    endpoint->worker_->stop = stop;
    endpoint->worker_->thread = std::thread([e = endpoint.get()] { e->Serve(); });
    return endpoint;
}

InstanceEndpoint::InstanceEndpoint(Deliver deliver) : deliver_(std::move(deliver)) {}

InstanceEndpoint::~InstanceEndpoint() {
    SetEvent(worker_->stop);  // wakes whatever wait Serve is in
    if (worker_->thread.joinable()) {
        worker_->thread.join();
    }
    CloseHandle(worker_->pipe);
    CloseHandle(worker_->stop);
}

void InstanceEndpoint::Serve() {
    const HANDLE pipe = worker_->pipe;
    const HANDLE stop = worker_->stop;
    Handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    while (WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        OVERLAPPED io{};
        io.hEvent = event.value;
        ResetEvent(event.value);
        DWORD unused = 0;
        bool connected = ConnectNamedPipe(pipe, &io) != 0;
        if (!connected) {
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                connected = true;
            } else if (error == ERROR_IO_PENDING) {
                connected = Finish(pipe, &io, stop, INFINITE, &unused);
            }
        }
        if (!connected) {
            // A client that left before it was seen; a pause keeps a lasting fault from spinning.
            DisconnectNamedPipe(pipe);
            WaitForSingleObject(stop, 10);
            continue;
        }
        Request request{};
        char accepted = 0;
        if (SameUser(pipe) && ReadAll(pipe, &request, sizeof request, stop) &&
            request.magic == MAGIC &&
            (request.message == WM_COMMAND || request.message == WM_CLOSE)) {
            deliver_(request.message, request.wParam);
            accepted = 1;
        }
        OVERLAPPED out{};
        out.hEvent = event.value;
        ResetEvent(event.value);
        DWORD written = 0;
        if (WriteFile(pipe, &accepted, 1, nullptr, &out) || GetLastError() == ERROR_IO_PENDING) {
            Finish(pipe, &out, stop, IO_TIMEOUT_MS, &written);
            // The client closes once it has read the answer; disconnecting before that would
            // throw the answer away.
            char rest = 0;
            ReadAll(pipe, &rest, 1, stop);
        }
        DisconnectNamedPipe(pipe);
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
