#include "game/match.h"

#include "shell/shell.h"

// The title state is entered with empty slots until the match flow exists.
void EnterTitle() {
    ClearHandlers();
}
