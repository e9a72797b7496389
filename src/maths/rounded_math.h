// Sine, cosine and arc tangent that give the same bits on every platform, for the game's angle
// tables and the scene's discs alike: each is computed in double-double arithmetic (about 104
// bits) from IEEE additions, multiplications, divisions and square roots alone, then rounded once
// to double. The C libraries of Linux and Windows differ in the last bit of these functions for
// some arguments, and a last bit in the angle tables is enough to change where the puck goes a few
// hundred matches later; with these, a match replays the same everywhere and the results are the
// correctly rounded ones.
#pragma once

// sin(x) and cos(x), for |x| below 2^20 (the game uses [0, 2*pi)).
double RoundedSin(double x);
double RoundedCos(double x);
// atan2(y, x) with the C library's rules for zeros and signs; infinities and NaNs are handed on
// to the C library, whose results for them are exact constants everywhere.
double RoundedAtan2(double y, double x);
