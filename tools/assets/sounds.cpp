// The five effects, synthesised from sine partials, noise and envelopes. Only the four basic
// operations and floor are used (no library sine or exponential), so that every machine makes
// the same bytes.
#include <cmath>
#include <cstddef>
#include <vector>

#include "wave.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// sin(2 pi cycles), by folding into a quarter wave and a Taylor polynomial (error < 1e-6).
double Sine(double cycles) {
    double x = cycles - std::floor(cycles);  // [0, 1)
    double sign = 1;
    if (x >= 0.5) {
        x -= 0.5;
        sign = -1;
    }
    if (x > 0.25) {
        x = 0.5 - x;
    }
    const double t = 2 * PI * x;  // [0, pi/2]
    const double t2 = t * t;
    const double poly =
        t *
        (1 -
         t2 / 6 * (1 - t2 / 20 * (1 - t2 / 42 * (1 - t2 / 72 * (1 - t2 / 110 * (1 - t2 / 156))))));
    return sign * poly;
}

// 2^(semitones/12) by repeated multiplication: equal-tempered pitch from A4 = 440 Hz.
double NoteHz(int midi) {
    constexpr double SEMITONE = 1.0594630943592952646;
    double hz = 440;
    for (int n = 69; n < midi; ++n) {
        hz *= SEMITONE;
    }
    for (int n = 69; n > midi; --n) {
        hz /= SEMITONE;
    }
    return hz;
}

// A deterministic white noise in [-1, 1).
class Noise {
  public:
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / 8388608.0 - 1;
    }

  private:
    std::uint32_t state_ = 0x2545F491u;
};

struct Mix {
    std::uint32_t rate;
    std::vector<double> signal;

    Mix(std::uint32_t r, std::size_t bytes) : rate(r), signal((bytes + 1) / 2, 0.0) {}
};

// How a note is voiced: the relative strength of its harmonics, its envelope and vibrato.
struct Voicing {
    std::vector<double> harmonics;
    double attack = 0.005;  // seconds to full level
    double halfLife = 0.2;  // seconds for the level to halve after the attack
    double release = 0.02;  // seconds of fade at the end of the note
    double vibratoHz = 0;
    double vibratoDepth = 0;  // fraction of the pitch
    double glide = 0;         // fraction of the pitch lost by the note's end
};

// Adds one note from `start` for `length` seconds. Harmonics above 0.45 of the rate are left out.
void AddNote(Mix& mix, double start, double length, double hz, double level, const Voicing& v) {
    const double rate = mix.rate;
    const auto first = static_cast<std::size_t>(std::floor(start * rate));
    const auto count = static_cast<std::size_t>(std::floor(length * rate));
    // Per-sample decay for the half-life: (1 - ln 2 / n)^n is close to one half.
    constexpr double LN2 = 0.69314718055994530942;
    const double decay = 1 - LN2 / (v.halfLife * rate);
    double gain = 1;
    double phase = 0;
    double vibratoPhase = 0;
    const auto attackSamples = static_cast<std::size_t>(v.attack * rate);
    const auto releaseSamples = static_cast<std::size_t>(v.release * rate);
    for (std::size_t i = 0; i < count && first + i < mix.signal.size(); ++i) {
        double envelope = gain;
        if (i < attackSamples) {
            envelope = static_cast<double>(i) / attackSamples;
        } else {
            gain *= decay;
        }
        if (i + releaseSamples > count) {
            envelope *= static_cast<double>(count - i) / releaseSamples;
        }
        double value = 0;
        for (std::size_t k = 0; k < v.harmonics.size(); ++k) {
            if ((k + 1) * hz > 0.45 * rate) {
                break;
            }
            value += v.harmonics[k] * Sine(phase * (k + 1));
        }
        mix.signal[first + i] += level * envelope * value;
        const double progress = static_cast<double>(i) / count;
        const double pitch =
            hz * (1 - v.glide * progress) * (1 + v.vibratoDepth * Sine(vibratoPhase));
        phase += pitch / rate;
        phase -= std::floor(phase);
        vibratoPhase += v.vibratoHz / rate;
    }
}

// Scales the mix so that its loudest sample stands at `peak` of full scale, then quantises.
Recording Finish(const Mix& mix, std::size_t bytes, double peak) {
    double loudest = 0;
    for (double s : mix.signal) {
        loudest = std::fmax(loudest, std::fabs(s));
    }
    const double scale = loudest > 0 ? peak * 32767 / loudest : 0;
    Recording recording;
    recording.rate = mix.rate;
    for (double s : mix.signal) {
        const auto q = static_cast<std::int32_t>(std::floor(s * scale + 0.5));
        recording.samples.push_back(static_cast<std::uint8_t>(q & 0xFF));
        recording.samples.push_back(static_cast<std::uint8_t>((q >> 8) & 0xFF));
    }
    recording.samples.resize(bytes);  // an odd size keeps the low half of the last sample
    return recording;
}

const Voicing BRIGHT{{1, 0.55, 0.35, 0.22, 0.15, 0.1, 0.06}, 0.004, 0.12, 0.015};
const Voicing BELL{{1, 0, 0.3, 0, 0.12}, 0.002, 0.25, 0.02};
const Voicing BASS{{1, 0.3, 0.11, 0.05}, 0.01, 0.3, 0.03};
const Voicing BRASS{{1, 0.75, 0.55, 0.42, 0.3, 0.22, 0.15, 0.1}, 0.025, 0.9, 0.03, 5.5, 0.006};
const Voicing SOFT{{1, 0.15, 0.11, 0.02, 0.04}, 0.03, 1.2, 0.08, 4.5, 0.01};

}  // namespace

Recording MakeTitleJingle() {
    constexpr std::size_t BYTES = 87016;
    Mix mix(11025, BYTES);
    constexpr std::size_t SAMPLES = BYTES / 2;
    const double length = static_cast<double>(SAMPLES) / mix.rate;
    const double step = length / 16;
    // Four bars of four steps: C, F, C, G, so that the last bar leads back into the first.
    const int melody[16] = {72, 76, 79, 84, 81, 77, 81, 84, 79, 76, 79, 83, 86, 83, 79, 74};
    const int bass[4] = {48, 53, 48, 55};
    for (int i = 0; i < 16; ++i) {
        AddNote(mix, i * step, step, NoteHz(melody[i]), 0.5, BRIGHT);
        AddNote(mix, i * step, step, NoteHz(melody[i] + 12), 0.12, BELL);
    }
    for (int bar = 0; bar < 4; ++bar) {
        AddNote(mix, bar * 4 * step, 2 * step, NoteHz(bass[bar]), 0.45, BASS);
        AddNote(mix, (bar * 4 + 2) * step, 2 * step, NoteHz(bass[bar] + 7), 0.35, BASS);
    }
    return Finish(mix, BYTES, 0.8);
}

Recording MakeWinFanfare() {
    constexpr std::size_t BYTES = 80109;
    Mix mix(11025, BYTES);
    // A quick rising call, answered higher, then the held chord fading before the loop.
    const int call[6] = {67, 72, 76, 72, 76, 79};
    for (int i = 0; i < 6; ++i) {
        AddNote(mix, i * 0.16, 0.15, NoteHz(call[i]), 0.5, BRASS);
    }
    AddNote(mix, 0.96, 0.3, NoteHz(79), 0.5, BRASS);
    const int chord[4] = {72, 76, 79, 84};
    for (int note : chord) {
        Voicing held = BRASS;
        held.halfLife = 0.8;
        held.release = 0.4;
        AddNote(mix, 1.28, 2.3, NoteHz(note), note == 84 ? 0.5 : 0.3, held);
    }
    AddNote(mix, 1.28, 2.3, NoteHz(48), 0.4, BASS);
    return Finish(mix, BYTES, 0.8);
}

Recording MakeLosePhrase() {
    constexpr std::size_t BYTES = 77199;
    Mix mix(11025, BYTES);
    // Four falling steps, the last one long, sagging and wavering.
    const int phrase[4] = {67, 66, 65, 64};
    for (int i = 0; i < 3; ++i) {
        AddNote(mix, i * 0.5, 0.46, NoteHz(phrase[i]), 0.5, SOFT);
        AddNote(mix, i * 0.5, 0.46, NoteHz(phrase[i] - 24), 0.25, BASS);
    }
    Voicing last = SOFT;
    last.vibratoDepth = 0.02;
    last.glide = 0.06;
    last.release = 0.5;
    AddNote(mix, 1.5, 1.9, NoteHz(phrase[3]), 0.5, last);
    AddNote(mix, 1.5, 1.9, NoteHz(phrase[3] - 24), 0.3, BASS);
    return Finish(mix, BYTES, 0.75);
}

Recording MakePadClick() {
    constexpr std::size_t BYTES = 17588;
    Mix mix(22050, BYTES);
    // A tick of bright noise over a short high ping and a knock of body.
    Noise noise;
    double previous = 0;
    const auto burst = static_cast<std::size_t>(0.004 * mix.rate);
    for (std::size_t i = 0; i < burst; ++i) {
        const double white = noise.Next();
        mix.signal[i] += 0.6 * (white - previous) * (burst - i) / burst;  // a difference: bright
        previous = white;
    }
    AddNote(mix, 0, 0.12, 1800, 0.5, Voicing{{1, 0, 0.2}, 0.0005, 0.012, 0.01});
    AddNote(mix, 0, 0.2, 420, 0.6, Voicing{{1, 0.3}, 0.001, 0.02, 0.02});
    return Finish(mix, BYTES, 0.85);
}

Recording MakeGoalHorn() {
    constexpr std::size_t BYTES = 34816;
    Mix mix(22050, BYTES);
    // Two reeds a major third apart, full of harmonics, swelling in and dying away.
    Voicing reed;
    for (int k = 1; k <= 40; ++k) {
        reed.harmonics.push_back(1.0 / k);
    }
    reed.attack = 0.04;
    reed.halfLife = 1.5;
    reed.release = 0.15;
    reed.vibratoHz = 6;
    reed.vibratoDepth = 0.004;
    AddNote(mix, 0.0, 0.78, NoteHz(58), 0.5, reed);
    AddNote(mix, 0.0, 0.78, NoteHz(62), 0.4, reed);
    AddNote(mix, 0.0, 0.78, NoteHz(46), 0.3, reed);
    return Finish(mix, BYTES, 0.85);
}
