// The game's entry: the SDL backend under the shell. Its exit code is always 0.
#include "platform/sdl_backend.h"
#include "shell/shell.h"

int main() {
    auto backend = platform::MakeSdlBackend();
    if (!backend) {
        return 0;  // no video at all: as quiet as a failed render start-up
    }
    platform::SetBackend(std::move(backend));
    int code = 0;
    if (OpenShell(platform::GetTickCount(), true)) {
        code = RunMessageLoop();
    }
    platform::SetBackend(nullptr);
    return code;
}
