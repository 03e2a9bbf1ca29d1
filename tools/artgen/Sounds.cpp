#include <cmath>

#include "tools/artgen/Art.h"

namespace artgen {
namespace {

struct Note {
    double start;  // seconds
    double freq;
    double gain;
};

// Bell-like partials with a soft attack and exponential decay; pure arithmetic,
// so every run gives the same samples.
std::vector<int16_t> Render(const std::vector<Note>& notes, double seconds) {
    const int n = static_cast<int>(seconds * kSampleRate);
    std::vector<double> mix(static_cast<size_t>(n), 0.0);
    const double partials[][2] = {{1.0, 1.0}, {2.0, 0.28}, {3.01, 0.10}, {4.2, 0.05}};
    for (const Note& note : notes) {
        const int first = static_cast<int>(note.start * kSampleRate);
        for (int i = first; i < n; ++i) {
            const double t = static_cast<double>(i - first) / kSampleRate;
            const double attack = std::min(1.0, t / 0.006);
            double v = 0;
            for (const auto& pr : partials) {
                const double decay = std::exp(-t * (3.2 + 2.2 * pr[0]));
                v += pr[1] * decay * std::sin(2 * M_PI * note.freq * pr[0] * t);
            }
            mix[static_cast<size_t>(i)] += note.gain * attack * v;
        }
    }
    double peak = 0;
    for (double v : mix)
        peak = std::max(peak, std::fabs(v));
    const double scale = peak > 0 ? 0.45 * 32767.0 / peak : 0;
    std::vector<int16_t> out(mix.size());
    for (size_t i = 0; i < mix.size(); ++i) {
        // Fade the last 20 ms so the sound ends without a click.
        const double tail =
            std::min(1.0, static_cast<double>(mix.size() - i) / (0.02 * kSampleRate));
        out[i] = static_cast<int16_t>(std::lround(mix[i] * scale * tail));
    }
    return out;
}

}  // namespace

// A soft "ding-dong" for a new pop-up: G5 then E5.
std::vector<int16_t> ChimeTwoNote() {
    return Render({{0.0, 783.99, 1.0}, {0.16, 659.25, 0.9}}, 0.9);
}

// A rising C-E-G for "an article waits for review", brighter so it is told apart.
std::vector<int16_t> ChimeArpeggio() {
    return Render({{0.0, 523.25, 0.9}, {0.11, 659.25, 0.9}, {0.22, 783.99, 1.0}}, 1.0);
}

}  // namespace artgen
