// brelix-samples: writes the sample files the shipped patches play into a folder (by default
// patches/samples): single cycles drawn from additive spectra and vowel formants, which the
// patches loop, and short sounds (bell partials, noise bursts, a thump, breath) played once.
//
// Every file is 16-bit mono PCM with the plain 44-byte header the plug-in reads. A single cycle
// of kCycle frames is stored at the rate that makes it sound middle C (note 60, the oscillators'
// default centre) when played at its own rate; the short sounds are stored at 44.1 kHz with their
// pitch, where they have one, at middle C. The noise comes from a fixed generator, so the files
// are the same on every run.
//
//   brelix-samples [FOLDER]
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "base/printable_text.h"

namespace {

constexpr double kMiddleC = 261.6255653005986;
constexpr int kCycle = 512;
constexpr double kShortRate = 44100.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The 44-byte header and 16-bit frames, the peak scaled to -1 dBFS.
bool WriteWav(const std::filesystem::path& path, std::vector<double> frames, int rate) {
  double peak = 0.0;
  for (double f : frames) peak = std::max(peak, std::fabs(f));
  const double scale = peak > 0.0 ? 0.891 * 32767.0 / peak : 0.0;
  const auto bytes = static_cast<uint32_t>(frames.size() * 2);
  std::vector<uint8_t> out;
  const auto put = [&out](uint32_t value, int size) {
    for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  const auto text = [&out](const char* four) { out.insert(out.end(), four, four + 4); };
  text("RIFF"), put(36 + bytes, 4), text("WAVE"), text("fmt "), put(16, 4);
  put(1, 2), put(1, 2), put(static_cast<uint32_t>(rate), 4), put(static_cast<uint32_t>(rate) * 2, 4), put(2, 2), put(16, 2);
  text("data"), put(bytes, 4);
  for (double f : frames) put(static_cast<uint16_t>(static_cast<int16_t>(std::lround(f * scale))), 2);
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

// One cycle as the sum of harmonics n = 1, 2, ... with the amplitudes and phases given.
std::vector<double> Cycle(const std::function<double(int)>& amplitude, int harmonics,
                          const std::function<double(int)>& phase = [](int) { return 0.0; }) {
  std::vector<double> cycle(kCycle, 0.0);
  for (int n = 1; n <= std::min(harmonics, kCycle / 2 - 1); ++n) {
    const double a = amplitude(n);
    if (a == 0.0) continue;
    for (int i = 0; i < kCycle; ++i) cycle[i] += a * std::sin(kTwoPi * n * i / kCycle + phase(n));
  }
  return cycle;
}

// The gain of a vowel's formants (centre, bandwidth, level) at a frequency.
double Formants(double hz, const std::vector<std::array<double, 3>>& formants) {
  double sum = 0.0;
  for (const auto& [centre, width, level] : formants) sum += level / (1.0 + std::pow((hz - centre) / (0.5 * width), 2.0));
  return sum;
}

// A fixed generator of white noise in [-1, 1).
struct Noise {
  uint32_t state = 0x2545F491u;
  double next() {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;
  }
};

// A one-pole low-pass and high-pass on a signal, for coloured noise.
std::vector<double> Band(std::vector<double> x, double rate, double low, double high) {
  const double a = std::exp(-kTwoPi * high / rate), b = std::exp(-kTwoPi * low / rate);
  double lp = 0.0, lp2 = 0.0;
  for (double& s : x) {
    lp = (1.0 - a) * s + a * lp;     // below `high`
    lp2 = (1.0 - b) * lp + b * lp2;  // the part below `low`, taken away
    s = lp - lp2;
  }
  return x;
}

struct Sample {
  const char* name;
  int rate;
  std::vector<double> frames;
};

std::vector<Sample> Samples() {
  const int cycleRate = static_cast<int>(std::lround(kMiddleC * kCycle));
  std::vector<Sample> samples;
  // Organ drawbars 16', 8', 5 1/3', 4', 2 2/3', 2' (harmonics 1, 2, 3, 4, 6, 8 of the 16' foot).
  samples.push_back({"organ-cycle.wav", cycleRate, Cycle([](int n) {
                       switch (n) {
                         case 1: return 0.8; case 2: return 1.0; case 3: return 0.6;
                         case 4: return 0.7; case 6: return 0.4; case 8: return 0.5;
                         default: return 0.0;
                       } }, 8)});
  // A band-limited saw with a gentle tilt and a hole at the third harmonic: bright and hollow.
  samples.push_back({"bright-cycle.wav", cycleRate,
                     Cycle([](int n) { return n % 3 == 0 ? 0.0 : std::pow(n, -0.8); }, 60)});
  // Odd harmonics falling slowly, phases spread: a glassy, reedy cycle.
  samples.push_back({"reed-cycle.wav", cycleRate, Cycle([](int n) { return n % 2 ? 1.0 / std::sqrt(n) : 0.0; }, 40,
                                                        [](int n) { return 0.7 * n * n; })});
  // Every fourth harmonic from the first (1, 5, 9, ...): a thin digital cycle.
  samples.push_back({"digital-cycle.wav", cycleRate, Cycle([](int n) { return n % 4 == 1 ? 1.0 / n * 3.0 : 0.0; }, 64)});
  // Vowels: harmonics of a low voice (the cycle at middle C stands for a voice an octave below,
  // its harmonics counted from there) shaped by formants.
  const auto vowel = [](std::vector<std::array<double, 3>> formants) {
    return Cycle([formants](int n) { return n % 2 ? 0.0 : Formants(kMiddleC / 2.0 * n, formants) / std::sqrt(n); }, 120);
  };
  samples.push_back({"vowel-ah-cycle.wav", cycleRate, vowel({{{730, 90, 1.0}, {1090, 110, 0.5}, {2440, 170, 0.25}}})});
  samples.push_back({"vowel-oo-cycle.wav", cycleRate, vowel({{{300, 70, 1.0}, {870, 100, 0.3}, {2240, 160, 0.08}}})});
  samples.push_back({"vowel-ee-cycle.wav", cycleRate, vowel({{{270, 60, 1.0}, {2290, 150, 0.45}, {3010, 200, 0.3}}})});

  // A bell: inharmonic partials around middle C, the higher dying sooner. 1.6 s.
  {
    const double ratios[] = {0.5, 1.0, 1.183, 1.506, 2.0, 2.514, 2.662, 3.011, 4.166, 5.433};
    std::vector<double> bell(static_cast<size_t>(1.6 * kShortRate), 0.0);
    for (size_t k = 0; k < std::size(ratios); ++k) {
      const double hz = kMiddleC * ratios[k], decay = 2.2 / (1.0 + ratios[k]), level = 1.0 / (1.0 + 0.4 * k);
      for (size_t i = 0; i < bell.size(); ++i) {
        const double t = static_cast<double>(i) / kShortRate;
        bell[i] += level * std::exp(-t / decay) * std::sin(kTwoPi * hz * t + k);
      }
    }
    samples.push_back({"bell.wav", static_cast<int>(kShortRate), bell});
  }
  // Noise: a short bright burst (a chiff or a hammer), a thump, and a loop of breath.
  Noise noise;
  {
    std::vector<double> burst(static_cast<size_t>(0.12 * kShortRate));
    for (size_t i = 0; i < burst.size(); ++i) burst[i] = noise.next();
    burst = Band(burst, kShortRate, 1500.0, 9000.0);
    for (size_t i = 0; i < burst.size(); ++i) burst[i] *= std::exp(-static_cast<double>(i) / (0.02 * kShortRate));
    samples.push_back({"noise-burst.wav", static_cast<int>(kShortRate), burst});
  }
  {
    std::vector<double> thump(static_cast<size_t>(0.4 * kShortRate));
    double phase = 0.0;
    for (size_t i = 0; i < thump.size(); ++i) {
      const double t = static_cast<double>(i) / kShortRate;
      phase += kTwoPi * (kMiddleC / 4.0 + 180.0 * std::exp(-t / 0.03)) / kShortRate;
      thump[i] = std::sin(phase) * std::exp(-t / 0.12) + 0.3 * noise.next() * std::exp(-t / 0.004);
    }
    samples.push_back({"thump.wav", static_cast<int>(kShortRate), thump});
  }
  {
    std::vector<double> breath(static_cast<size_t>(0.5 * kShortRate));
    for (double& s : breath) s = noise.next();
    breath = Band(breath, kShortRate, 400.0, 3000.0);
    // Fades at both ends so that the loop joins without a click.
    const size_t fade = breath.size() / 20;
    for (size_t i = 0; i < fade; ++i) {
      const double g = static_cast<double>(i) / static_cast<double>(fade);
      breath[i] *= g, breath[breath.size() - 1 - i] *= g;
    }
    samples.push_back({"breath-loop.wav", static_cast<int>(kShortRate), breath});
  }
  return samples;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && std::string(argv[1]).starts_with("-"))) {
    std::fprintf(stderr, "usage: brelix-samples [FOLDER]   (default: patches/samples)\n");
    return 1;
  }
  const std::filesystem::path folder = argc == 2 ? argv[1] : "patches/samples";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const Sample& sample : Samples()) {
    if (!WriteWav(folder / sample.name, sample.frames, sample.rate)) {
      std::fprintf(stderr, "brelix-samples: cannot write %s\n", brelix::PrintableText((folder / sample.name).string()).c_str());
      return 1;
    }
    std::printf("%s  %zu frames at %d Hz\n", brelix::PrintableText((folder / sample.name).string()).c_str(), sample.frames.size(), sample.rate);
  }
  return 0;
}
