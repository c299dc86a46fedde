// Writes diceroll.wav, the rattle the dice strip plays at each step of a roll: a handful of
// clicks of dice on a table, each a short burst of ringing noise that dies away, the later
// ones softer as the dice settle. The noise is seeded, so every build writes the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double LengthSeconds = 0.42;

struct Click
{
    double at;       // seconds from the start
    double loudness; // 0..1
    double ring;     // centre of the band the click rings in, in Hz
    double decay;    // seconds for the click to fall to 1/e
};

// The first click sits at the very start: a roll step cuts the sound off after 50 ms.
constexpr Click Clicks[] = {
    {0.000, 1.00, 3200.0, 0.006}, {0.028, 0.70, 2500.0, 0.005}, {0.085, 0.80, 3600.0, 0.007},
    {0.150, 0.55, 2800.0, 0.005}, {0.205, 0.45, 3300.0, 0.006}, {0.270, 0.30, 2600.0, 0.004},
    {0.330, 0.18, 3000.0, 0.004},
};

class Noise
{
public:
    double next()
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(m_state >> 11) / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
    }

private:
    std::uint64_t m_state = 0x5eed1e55ULL;
};

// A two-pole resonator: white noise through it rings like a small hard object.
class Resonator
{
public:
    Resonator(double frequency, double bandwidth)
    {
        const double r = std::exp(-std::numbers::pi * bandwidth / SampleRate);
        m_a1 = 2.0 * r * std::cos(2.0 * std::numbers::pi * frequency / SampleRate);
        m_a2 = -r * r;
        m_gain = 1.0 - r;
    }
    double step(double in)
    {
        const double out = m_gain * in + m_a1 * m_y1 + m_a2 * m_y2;
        m_y2 = m_y1;
        m_y1 = out;
        return out;
    }

private:
    double m_a1, m_a2, m_gain, m_y1 = 0.0, m_y2 = 0.0;
};

std::vector<double> render()
{
    const auto frames = static_cast<std::size_t>(LengthSeconds * SampleRate);
    std::vector<double> mix(frames, 0.0);
    Noise noise;
    for (const Click &click : Clicks) {
        Resonator body(click.ring, 900.0);
        const auto start = static_cast<std::size_t>(click.at * SampleRate);
        for (std::size_t i = start; i < frames; ++i) {
            const double t = static_cast<double>(i - start) / SampleRate;
            const double envelope = click.loudness * std::exp(-t / click.decay);
            if (envelope < 1e-4)
                break;
            // A sharp onset through the resonator, plus a little raw noise for the snap.
            const double excitation = noise.next() * envelope;
            mix[i] += body.step(excitation) * 4.0 + excitation * 0.25;
        }
    }
    const double peak =
        std::max(1e-9, std::ranges::max(mix, {}, [](double v) { return std::abs(v); }));
    for (double &v : mix)
        v = v / peak * 0.8;
    return mix;
}

void put16(std::string &out, std::uint16_t v)
{
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

std::string waveFile(const std::vector<double> &samples)
{
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    put32(out, 36 + dataSize);
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, SampleRate);
    put32(out, SampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, dataSize);
    for (double v : samples) {
        const auto sample =
            static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
        put16(out, static_cast<std::uint16_t>(sample));
    }
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
        return 2;
    }
    const std::string bytes = waveFile(render());
    // Written beside the target and renamed, so an interrupted build leaves no half file.
    const std::string partial = std::string(argv[1]) + ".part";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", partial.c_str());
            return 1;
        }
    }
    if (std::rename(partial.c_str(), argv[1]) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
