// The live session. A recording writes, in the order the window procedure handles them, the
// messages that can reach the game, in the script syntax puckwind-sim reads: ticks run-length, a
// mouse move with the cursor the game read. A trace writes what puckwind-sim would print for that
// script: the game's calls as they happen and the state after each line. A replay feeds a script
// to the window procedure, one tick of it at each tick of the timer.
#include "record/live.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>

#include "platform/dialog/dialog.h"
#include "record/script.h"
#include "record/trace.h"
#include "shell/shell.h"

namespace record {

namespace {

using Clock = std::chrono::steady_clock;
// Files are flushed this often, recording or replaying, so a killed game loses less than a
// second of its session.
constexpr auto FLUSH_PERIOD = std::chrono::milliseconds(900);

// A file the session writes. It is created only once the game has started, so a run refused
// before then (no display, another instance) leaves every file as it was; what was written
// before then waits in `pending`. A failed write is said once, and the game plays on without it.
struct Output {
    std::string path;  // empty when not wanted
    std::FILE* file = nullptr;
    std::string pending;
    bool failed = false;
};

struct Session {
    Output recording;
    Output trace;
    platform::Backend* backend = nullptr;  // the real one, inside the watching backend
    bool starting = false;                 // the entry runs: nothing is a message of the script
    bool ended = false;                    // the program ended as a script sees it
    Clock::time_point lastFlush;

    // Recording: the message being handled (nested messages are part of it) and the ticks
    // handled since the last line.
    int depth = 0;
    unsigned message = 0;
    platform::WPARAM wParam = 0;
    bool closes = false;
    bool cursorRead = false;
    platform::Point cursor;
    std::int64_t tickRun = 0;

    // Replay: the script, read as it is played; its seed; the command being played and the
    // ticks left of it.
    bool replaying = false;
    std::string replayPath;
    std::ifstream replayFile;
    std::optional<ScriptReader> reader;
    std::uint32_t seed = 0;
    Command current;
    std::int64_t ticksLeft = 0;
    bool feeding = false;  // a message of the script is being sent
    platform::Point replayCursor;
};

Session& S() {
    static Session session;
    return session;
}

// The game's cursor and repaint calls, traced while a message of the script is handled.
class WatchedBackend : public platform::Backend {
  public:
    explicit WatchedBackend(std::unique_ptr<platform::Backend> inner) : inner_(std::move(inner)) {}

    bool OpenWindow(platform::HWND hwnd, std::string_view title,
                    const platform::WindowPlacement& placement,
                    std::string_view iconResource) override {
        return inner_->OpenWindow(hwnd, title, placement, iconResource);
    }
    void ShowWindow(platform::HWND hwnd) override { inner_->ShowWindow(hwnd); }
    void CloseWindow(platform::HWND hwnd) override { inner_->CloseWindow(hwnd); }
    void PumpEvents(bool wait) override { inner_->PumpEvents(wait); }
    void PumpEventsUntil(std::chrono::steady_clock::time_point deadline) override {
        inner_->PumpEventsUntil(deadline);
    }
    void Wake() override { inner_->Wake(); }
    platform::Point CursorPos() override {
        Session& s = S();
        const platform::Point point = s.replaying ? s.replayCursor : inner_->CursorPos();
        s.cursorRead = true;
        s.cursor = point;
        if (calls::callTap != nullptr) {
            calls::callTap({.name = "GetCursorPos",
                            .result = calls::Call::Result::Point,
                            .resultValue = {point.x, point.y}});
        }
        return point;
    }
    platform::Point PointerPos() override {
        return S().replaying ? S().replayCursor : inner_->PointerPos();
    }
    void SetCursorPos(platform::Point point) override {
        if (calls::callTap != nullptr) {
            calls::callTap(calls::MakeCall("SetCursorPos", {double(point.x), double(point.y)}));
        }
        if (S().replaying) {
            S().replayCursor = point;  // the real pointer is not the game's during a replay
        } else {
            inner_->SetCursorPos(point);
        }
    }
    void ShowCursor(bool show) override { inner_->ShowCursor(show); }
    void ConfineCursor(platform::HWND hwnd, bool confine) override {
        inner_->ConfineCursor(hwnd, confine);
    }
    bool PublishClass(std::string_view className) override {
        return inner_->PublishClass(className);
    }
    bool ClassPublished(std::string_view className) override {
        return inner_->ClassPublished(className);
    }
    void WithdrawClass(std::string_view className) override { inner_->WithdrawClass(className); }
    void Invalidated(platform::HWND hwnd) override {
        if (calls::callTap != nullptr) {
            calls::callTap(calls::MakeCall("InvalidateRect", {}));
        }
        inner_->Invalidated(hwnd);
    }
    std::unique_ptr<platform::GlSurface> CreateGlSurface(platform::HWND hwnd) override {
        return inner_->CreateGlSurface(hwnd);
    }
    int BitsPerPixel(platform::HWND hwnd) override { return inner_->BitsPerPixel(hwnd); }
    bool SetDisplayMode(platform::HWND hwnd, int width, int height, int bits) override {
        return inner_->SetDisplayMode(hwnd, width, height, bits);
    }
    void RestoreDisplayMode(platform::HWND hwnd) override { inner_->RestoreDisplayMode(hwnd); }
    double RefreshRate(platform::HWND hwnd) override { return inner_->RefreshRate(hwnd); }
    void SyncToRefresh(platform::HWND hwnd) override { inner_->SyncToRefresh(hwnd); }
    bool CallsForFrames() override { return inner_->CallsForFrames(); }
    void AskForFrame(platform::HWND hwnd) override { inner_->AskForFrame(hwnd); }
    unsigned StartTimer(unsigned delay, platform::TimerCallback callback,
                        std::uintptr_t user) override {
        return inner_->StartTimer(delay, callback, user);
    }
    void StopTimer(unsigned id) override { inner_->StopTimer(id); }
    platform::TimerClock& Clock() override { return inner_->Clock(); }
    std::unique_ptr<platform::DialogView> OpenDialogView(platform::Dialog& dialog) override {
        return inner_->OpenDialogView(dialog);
    }

  private:
    std::unique_ptr<platform::Backend> inner_;
};

// ---- Writing ------------------------------------------------------------------------------

void BeginCalls() {
    calls::ClearRecordedCalls();
    calls::callTap = S().trace.path.empty() ? nullptr : calls::RecordCall;
}

void EndCalls() {
    calls::callTap = nullptr;
}

void Fail(Output& out, const char* what) {
    if (!out.failed) {
        std::fprintf(stderr, "puckwind: cannot %s %s: %s\n", what, out.path.c_str(),
                     std::strerror(errno));
        out.failed = true;
    }
}

void WriteText(Output& out, const std::string& text) {
    if (out.failed || out.path.empty()) {
        return;
    }
    if (out.file == nullptr) {
        out.pending += text;
    } else if (std::fwrite(text.data(), 1, text.size(), out.file) != text.size()) {
        Fail(out, "write");
    }
}

void WriteCalls() {
    std::string text;
    for (const calls::Call& call : calls::RecordedCalls()) {
        AppendCallLine(text, call);
    }
    calls::ClearRecordedCalls();
    WriteText(S().trace, text);
}

void WriteState(const std::string& line) {
    if (!S().trace.path.empty()) {
        std::string text;
        AppendStateLine(text, line);
        WriteText(S().trace, text);
    }
}

// A line of the script: into the recording, and the state after it into the trace.
void WriteLine(const std::string& line) {
    WriteText(S().recording, line + "\n");
    WriteState(line);
}

void FlushFiles() {
    for (Output* out : {&S().recording, &S().trace}) {
        if (out->file != nullptr && !out->failed && std::fflush(out->file) != 0) {
            Fail(*out, "write");
        }
    }
    S().lastFlush = Clock::now();
}

bool FlushDue() {
    return Clock::now() - S().lastFlush >= FLUSH_PERIOD;
}

void CloseTickRun() {
    Session& s = S();
    if (s.tickRun > 0) {
        WriteLine("tick " + std::to_string(s.tickRun));
        s.tickRun = 0;
    }
}

// ---- Recording ----------------------------------------------------------------------------

// The messages a script has, as the window procedure handles them: a mouse move only when the
// game takes it, a command other than the settings dialog (whose activation changes are taken
// instead: a script cannot show a dialog).
bool Recorded(unsigned message, platform::WPARAM wParam) {
    switch (message) {
        case WM_TICK:
        case platform::WM_LBUTTONDOWN:
        case platform::WM_LBUTTONUP:
        case platform::WM_RBUTTONDOWN:
        case platform::WM_ACTIVATE:
        case platform::WM_KEYDOWN:
        case platform::WM_CLOSE:
            return true;
        case platform::WM_MOUSEMOVE:
            return handlers.onMouseMove != nullptr;
        case platform::WM_COMMAND:
            return wParam != CMD_RENDER_SETTINGS;
        default:
            return false;
    }
}

// The messages after which the program has ended for a script: nothing later is recorded.
bool EndsProgram(unsigned message, platform::WPARAM wParam) {
    return message == platform::WM_CLOSE ||
           (message == platform::WM_COMMAND && wParam == CMD_EXIT) ||
           (message == platform::WM_KEYDOWN && wParam == platform::VK_ESCAPE &&
            shell.appActive != 0);
}

std::string ScriptLine(unsigned message, platform::WPARAM wParam) {
    switch (message) {
        case platform::WM_MOUSEMOVE: {
            const platform::Point p = S().cursorRead ? S().cursor : S().backend->CursorPos();
            return "move " + std::to_string(p.x) + " " + std::to_string(p.y);
        }
        case platform::WM_LBUTTONDOWN:
            return "down";
        case platform::WM_LBUTTONUP:
            return "up";
        case platform::WM_RBUTTONDOWN:
            return "rdown";
        case platform::WM_ACTIVATE:
            return "activate " + std::to_string(wParam);
        case platform::WM_KEYDOWN:
            return "key " + std::to_string(wParam);
        case platform::WM_COMMAND:
            return "command " + std::to_string(wParam);
        default:
            return "close";
    }
}

bool BeforeRecorded(unsigned message, platform::WPARAM wParam) {
    Session& s = S();
    if (s.depth > 0) {
        ++s.depth;  // sent while another message is handled: part of that one
        return true;
    }
    if (s.starting || s.ended || !Recorded(message, wParam)) {
        return true;
    }
    if (message != WM_TICK) {
        CloseTickRun();
    }
    s.depth = 1;
    s.message = message;
    s.wParam = wParam;
    s.closes = EndsProgram(message, wParam);
    s.cursorRead = false;
    BeginCalls();
    return true;
}

void AfterRecorded(unsigned, platform::WPARAM) {
    Session& s = S();
    if (s.depth == 0 || --s.depth > 0) {
        return;
    }
    EndCalls();
    if (s.message == WM_TICK) {
        ++s.tickRun;  // its calls now, the line when the run ends
        WriteCalls();
    } else {
        const std::string line = ScriptLine(s.message, s.wParam);
        WriteText(s.recording, line + "\n");
        WriteCalls();
        WriteState(line);
    }
    if (s.closes) {
        s.ended = true;
        FlushFiles();
    } else if (FlushDue()) {
        CloseTickRun();
        FlushFiles();
    }
}

// ---- Replay -------------------------------------------------------------------------------

// A message of the script, to the window procedure as the sim delivers it.
void Send(unsigned message, platform::WPARAM wParam) {
    S().feeding = true;
    platform::SendMessage(shell.mainWindow, message, wParam, 0);
    S().feeding = false;
}

// The command that would end the program is where the replay stops, so the window stays at the
// screen the recording reached.
bool EndsReplay(const Command& command) {
    return command.kind == Command::Kind::Close ||
           (command.kind == Command::Kind::Command && command.wParam == CMD_EXIT) ||
           (command.kind == Command::Kind::Key && command.wParam == platform::VK_ESCAPE &&
            shell.appActive != 0);
}

void ReplayCommand(const Command& command) {
    switch (command.kind) {
        case Command::Kind::Move:
            S().replayCursor = {static_cast<int>(command.a), static_cast<int>(command.b)};
            Send(platform::WM_MOUSEMOVE, 0);
            break;
        case Command::Kind::Command:
            if (command.wParam == CMD_RENDER_SETTINGS) {
                break;  // a dialog would wait for the player
            }
            [[fallthrough]];
        default: {
            unsigned message = 0;
            platform::WPARAM wParam = 0;
            if (InputMessage(command, &message, &wParam)) {
                Send(message, wParam);
            }
            break;
        }
    }
}

// The script's next command; false at its end. It was read whole once before the game started,
// so no line fails here.
bool NextCommand(Command* command) {
    ScriptError unexpected;
    return ReadCommand(*S().reader, command, &unexpected);
}

// One tick of the timer: the commands before the script's next tick, then that tick.
void AdvanceReplay() {
    Session& s = S();
    while (!s.ended) {
        if (s.ticksLeft > 0) {
            BeginCalls();
            Send(WM_TICK, 0);
            EndCalls();
            WriteCalls();
            if (--s.ticksLeft == 0) {
                WriteState(s.current.line);
            }
            if (FlushDue()) {
                FlushFiles();
            }
            return;
        }
        if (!NextCommand(&s.current) || EndsReplay(s.current)) {
            s.ended = true;
            FlushFiles();
            return;
        }
        if (s.current.kind == Command::Kind::Tick) {
            s.ticksLeft = s.current.a;
            if (s.current.a == 0) {
                WriteState(s.current.line);
            }
            continue;
        }
        BeginCalls();
        ReplayCommand(s.current);
        EndCalls();
        WriteCalls();
        WriteState(s.current.line);
    }
}

// The real input is not the game's during a replay: only Escape, command 40001 and closing the
// window act, and the timer's ticks drive the script.
bool BeforeReplayed(unsigned message, platform::WPARAM wParam) {
    Session& s = S();
    if (s.feeding || s.starting) {
        return true;
    }
    switch (message) {
        case WM_TICK:
            AdvanceReplay();
            return false;
        case platform::WM_KEYDOWN:
            if (wParam == platform::VK_ESCAPE) {
                platform::PostMessage(shell.mainWindow, platform::WM_CLOSE, 0, 0);
            }
            return false;
        case platform::WM_COMMAND:
            return wParam == CMD_EXIT;
        case platform::WM_MOUSEMOVE:
        case platform::WM_LBUTTONDOWN:
        case platform::WM_LBUTTONUP:
        case platform::WM_RBUTTONDOWN:
        case platform::WM_ACTIVATE:
            return false;
        default:
            return true;
    }
}

void AfterReplayed(unsigned, platform::WPARAM) {}

void SceneBuilt() {
    BeginCalls();  // the title's calls belong to the script's start
}

const ShellHooks recordingHooks{BeforeRecorded, AfterRecorded, SceneBuilt};
const ShellHooks replayHooks{BeforeReplayed, AfterReplayed, SceneBuilt};

// ---- Opening ------------------------------------------------------------------------------

// Whether the file could be created or written over, found without changing it: opened for
// appending (nothing truncated), and removed again if it was not there.
bool CanCreate(const std::string& path) {
    std::error_code ignored;
    const bool existed = std::filesystem::exists(path, ignored);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    if (!existed) {
        std::filesystem::remove(path, ignored);
    }
    return true;
}

// One file by two names: the same file now, or the same place for one not made yet.
bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code e;
    const auto place = [&e](const std::string& path) {
        return fs::weakly_canonical(fs::absolute(path, e), e);
    };
    return fs::equivalent(a, b, e) || place(a) == place(b);
}

// The replay read through once, as it will be played: every line understood, a start, and its
// seed kept.
bool CheckReplay(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    ScriptReader reader(in);
    Command command;
    ScriptError scriptError;
    while (ReadCommand(reader, &command, &scriptError)) {
        if (command.kind == Command::Kind::Start) {
            S().seed = static_cast<std::uint32_t>(command.a);
        }
    }
    if (scriptError.lineNumber == 0 && !reader.started) {
        scriptError = {reader.lineNumber + 1, "the script ends before start"};
    }
    if (scriptError.lineNumber != 0) {
        *error =
            path + ": line " + std::to_string(scriptError.lineNumber) + ": " + scriptError.message;
        return false;
    }
    if (reader.unendedLine != 0) {
        std::fprintf(stderr,
                     "puckwind: %s: line %llu has no newline (a recording cut off): left out\n",
                     path.c_str(), static_cast<unsigned long long>(reader.unendedLine));
    }
    return true;
}

bool CreateOutput(Output& out) {
    if (out.path.empty()) {
        return true;
    }
    out.file = std::fopen(out.path.c_str(), "wb");
    if (out.file == nullptr) {
        Fail(out, "create");
        return false;
    }
    WriteText(out, std::exchange(out.pending, {}));
    return true;
}

}  // namespace

bool CheckSession(const SessionFiles& files, std::string* error) {
    Session& s = S();
    if (!files.recordPath.empty() && !files.tracePath.empty() &&
        SameFile(files.recordPath, files.tracePath)) {
        *error = "--record and --trace name one file, " + files.tracePath;
        return false;
    }
    if (!files.replayPath.empty() && !files.tracePath.empty() &&
        SameFile(files.replayPath, files.tracePath)) {
        *error = "--trace would write over the replay " + files.replayPath;
        return false;
    }
    if (!files.replayPath.empty() && !CheckReplay(files.replayPath, error)) {
        return false;
    }
    for (const std::string* path : {&files.recordPath, &files.tracePath}) {
        if (!path->empty() && !CanCreate(*path)) {
            *error = "cannot create " + *path + ": " + std::strerror(errno);
            return false;
        }
    }
    s.recording.path = files.recordPath;
    s.trace.path = files.tracePath;
    s.replayPath = files.replayPath;
    s.replaying = !files.replayPath.empty();
    return true;
}

std::unique_ptr<platform::Backend> WatchBackend(std::unique_ptr<platform::Backend> backend) {
    S().backend = backend.get();
    return std::make_unique<WatchedBackend>(std::move(backend));
}

std::uint32_t SessionSeed(std::uint32_t tickCount) {
    return S().replaying ? S().seed : tickCount;
}

void BeginSession(std::uint32_t seed) {
    Session& s = S();
    if (s.replaying) {
        s.replayFile.open(s.replayPath, std::ios::binary);
        s.reader.emplace(s.replayFile);
        while (NextCommand(&s.current) && s.current.kind != Command::Kind::Start) {
            WriteState(s.current.line);  // the seed lines
        }
    } else {
        WriteText(s.recording,
                  "# a session of puckwind: puckwind --replay FILE shows it, puckwind-sim FILE "
                  "traces it\n");
        WriteLine("seed " + std::to_string(seed));
    }
    s.starting = true;
    s.lastFlush = Clock::now();
    shellHooks = s.replaying ? &replayHooks : &recordingHooks;
}

bool StartSession() {
    Session& s = S();
    if (!CreateOutput(s.recording) || !CreateOutput(s.trace)) {
        return false;
    }
    platform::SendMessage(shell.mainWindow, platform::WM_ACTIVATE, platform::WA_ACTIVE, 0);
    EndCalls();
    s.starting = false;
    WriteText(s.recording, "start\n");
    WriteCalls();
    WriteState("start");
    FlushFiles();
    return true;
}

bool EndSession() {
    Session& s = S();
    EndCalls();
    if (!s.ended) {
        CloseTickRun();
    }
    bool written = true;
    for (Output* out : {&s.recording, &s.trace}) {
        if (out->file != nullptr && std::fclose(std::exchange(out->file, nullptr)) != 0) {
            Fail(*out, "write");
        }
        written = written && !out->failed;
    }
    shellHooks = nullptr;
    return written;
}

}  // namespace record
