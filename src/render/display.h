// The scoreboard digits and the banner: one digit per side, and one quad that shows the title,
// win or lose row of the banner atlas, flies in, spins, and hides during play.
#pragma once

enum BannerRow : int { BANNER_TITLE = 0, BANNER_WIN = 1, BANNER_LOSE = 2 };

void ShowScore(int side, int value);
void ShowBanner(int row);
void HideBanner();
// Places the title banner for step k; nonzero once k reaches 6 (the banner is at rest).
int TitleBannerStep(int k);
void WinBannerStep(int n);
void LoseBannerStep(int n);
