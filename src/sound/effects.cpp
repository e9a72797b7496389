// Until the sound device exists there is none: the game runs silent.
#include "sound/sound.h"

int InitSound(platform::HWND) {
    return 0;
}
int LoadEffect(int, const char*) {
    return 0;
}
void PlayEffect(int, int, unsigned) {}
void StopAllEffects() {}
void ReleaseSound() {}
