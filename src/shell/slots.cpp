// The shell's state and the handler slots: the one place the match flow writes its states to.
#include "shell/shell.h"

ShellState shell;
HandlerSlots handlers;

void ClearHandlers() {
    handlers = HandlerSlots{};
}
