// The chime is computed once, the first time it is asked for: two bell-like tones a fifth apart
// (G5, then C6 a moment later), each with a quick attack, an exponential
// decay and a touch of second harmonic, and a short fade to silence at the end.
#include "download/queue/completion_sound.h"

#include <array>

namespace ld {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = kCompletionSoundSampleRate;

// Series for small arguments (|x| < 1 here), enough for 8-bit output.
double sinSeries(double x) {
    double term = x;
    double sum = x;
    for (int k = 1; k < 12; ++k) {
        term *= -x * x / ((2.0 * k) * (2.0 * k + 1.0));
        sum += term;
    }
    return sum;
}

double cosSeries(double x) {
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k < 12; ++k) {
        term *= -x * x / ((2.0 * k - 1.0) * (2.0 * k));
        sum += term;
    }
    return sum;
}

double expSeries(double x) {
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k < 20; ++k) {
        term *= x / k;
        sum += term;
    }
    return sum;
}

// A sine oscillator by the two-term recurrence y[n] = 2 cos(w) y[n-1] - y[n-2].
struct Oscillator {
    double twoCos;
    double previous;
    double current;

    explicit Oscillator(double hertz)
        : twoCos(2.0 * cosSeries(2.0 * kPi * hertz / kRate)),
          previous(-sinSeries(2.0 * kPi * hertz / kRate)),
          current(0.0) {}

    double next() {
        const double value = current;
        const double following = twoCos * current - previous;
        previous = current;
        current = following;
        return value;
    }
};

// One struck tone: silent before its start, then attack and decay.
struct Bell {
    std::size_t startSample;
    double peak;
    Oscillator fundamental;
    Oscillator overtone;
    double decayPerSample;
    double level = 1.0;

    Bell(double hertz, double startSeconds, double amplitude, double decaySeconds)
        : startSample(static_cast<std::size_t>(startSeconds * kRate)),
          peak(amplitude),
          fundamental(hertz),
          overtone(2.0 * hertz),
          decayPerSample(expSeries(-1.0 / (decaySeconds * kRate))) {}

    double sampleAt(std::size_t n) {
        if (n < startSample) {
            return 0.0;
        }
        const double sinceStart = static_cast<double>(n - startSample);
        const double attackSamples = 0.004 * kRate;
        const double attack = sinceStart < attackSamples ? sinceStart / attackSamples : 1.0;
        const double value = fundamental.next() + 0.25 * overtone.next();
        const double out = peak * attack * level * value;
        level *= decayPerSample;
        return out;
    }
};

int roundToInt(double x) {
    return x >= 0.0 ? static_cast<int>(x + 0.5) : -static_cast<int>(-x + 0.5);
}

void putText(std::array<std::uint8_t, kCompletionSoundBytes>& image, std::size_t at,
             const char (&text)[5]) {
    for (std::size_t i = 0; i < 4; ++i) {
        image[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

void putLittleEndian(std::array<std::uint8_t, kCompletionSoundBytes>& image, std::size_t at,
                     std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        image[at + i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

std::array<std::uint8_t, kCompletionSoundBytes> makeCompletionSound() {
    std::array<std::uint8_t, kCompletionSoundBytes> image{};
    constexpr auto sampleBytes = static_cast<std::uint32_t>(kCompletionSoundSampleBytes);
    putText(image, 0, "RIFF");
    putLittleEndian(image, 4, 36 + sampleBytes, 4);
    putText(image, 8, "WAVE");
    putText(image, 12, "fmt ");
    putLittleEndian(image, 16, 16, 4);                          // fmt chunk size
    putLittleEndian(image, 20, 1, 2);                           // PCM
    putLittleEndian(image, 22, 1, 2);                           // mono
    putLittleEndian(image, 24, kCompletionSoundSampleRate, 4);  // samples per second
    putLittleEndian(image, 28, kCompletionSoundSampleRate, 4);  // bytes per second
    putLittleEndian(image, 32, 1, 2);                           // bytes per sample frame
    putLittleEndian(image, 34, 8, 2);                           // bits per sample
    putText(image, 36, "data");
    putLittleEndian(image, 40, sampleBytes, 4);

    Bell low(783.99, 0.0, 38.0, 0.30);
    Bell high(1046.50, 0.16, 42.0, 0.38);
    const std::size_t fadeSamples = static_cast<std::size_t>(0.12 * kRate);
    for (std::size_t n = 0; n < kCompletionSoundSampleBytes; ++n) {
        double value = low.sampleAt(n) + high.sampleAt(n);
        const std::size_t left = kCompletionSoundSampleBytes - 1 - n;
        if (left < fadeSamples) {
            value *= static_cast<double>(left) / static_cast<double>(fadeSamples);
        }
        int sample = 128 + roundToInt(value);
        sample = sample < 0 ? 0 : (sample > 255 ? 255 : sample);
        image[44 + n] = static_cast<std::uint8_t>(sample);
    }
    return image;
}

}  // namespace

std::span<const std::uint8_t, kCompletionSoundBytes> completionSound() {
    // Built on first use (thread-safe), then kept for the program's run.
    static const std::array<std::uint8_t, kCompletionSoundBytes> image = makeCompletionSound();
    return image;
}

}  // namespace ld
