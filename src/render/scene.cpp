// Until the scene is built in the 3D layer, the operations keep only their results.
#include "render/scene.h"
#include "render/display.h"

int BuildScene() {
    return 1;
}
void PlaceBodyFrame(unsigned, double, double, double) {}
void ShowScore(int, int) {}
void ShowBanner(int) {}
void HideBanner() {}
int TitleBannerStep(int k) {
    const int s = 20 * (24 - k);
    return s <= 360 ? 1 : 0;
}
void WinBannerStep(int) {}
void LoseBannerStep(int) {}
