// Writes the countdown cue: three beeps one second apart and a final tone an octave higher, as a
// 16-bit stereo WAVE file of a fixed size and layout (see WriteWave).
//
//   make_cue_wav OUTPUT.wav
//
// The output is byte-for-byte the same on every run and every IEEE-754 machine: there is no
// randomness, and no libm call whose last bit could differ between C libraries. Sines and
// exponentials are computed from + - * / and floor only, which IEEE 754 rounds exactly.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kRate = 44100;
constexpr std::int64_t kFrames = 206208;
constexpr double kPi = 3.14159265358979323846;
// The levels of a channel sum to 1, so no sample can exceed this, which leaves room below 32,767
// for rounding; the partials never all peak together, so the loudest sample is about -1.5 dBFS.
constexpr double kPeak = 32000.0;

// sin(2*pi*turns).
double SinTurns(double turns) {
  double t = turns - std::floor(turns);
  double sign = 1.0;
  if (t >= 0.5) {
    t -= 0.5;
    sign = -1.0;
  }
  if (t > 0.25) {
    t = 0.5 - t;
  }
  const double x = 2.0 * kPi * t;  // 0 .. pi/2: the Taylor series converges to a few ulp by x^23
  const double x2 = x * x;
  double term = x;
  double sum = x;
  for (int k = 1; k <= 11; ++k) {
    term *= -x2 / static_cast<double>((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sign * sum;
}

// exp(x) for -40 <= x <= 0: a short series on x / 1024, squared ten times.
double ExpNonPositive(double x) {
  const double y = x / 1024.0;
  double term = 1.0;
  double sum = 1.0;
  for (int k = 1; k <= 10; ++k) {
    term *= y / static_cast<double>(k);
    sum += term;
  }
  for (int i = 0; i < 10; ++i) {
    sum *= sum;
  }
  return sum;
}

// Raised-cosine ramp from 0 (k = 0) to 1 (k = length): no step and no kink, so no click.
double Ramp(std::int64_t k, std::int64_t length) {
  if (k >= length) {
    return 1.0;
  }
  const double s = SinTurns(static_cast<double>(k) / static_cast<double>(4 * length));
  return s * s;
}

struct Partial {
  std::int64_t hz;
  double level;        // relative; the levels of one channel are scaled to sum to 1
  double decay_s;      // time constant of the exponential fade
  std::int64_t phase;  // start phase, in 1/kRate of a cycle
};

struct Voice {
  std::int64_t onset;  // first frame
  std::int64_t length;
  std::int64_t attack;
  std::int64_t release;
  std::vector<Partial> channel[2];
};

// A struck-bell character: every partial starts at full level and fades exponentially, the upper
// ones faster. The right channel has a slightly different overtone mix and a small phase lead on
// the fundamental, which widens the sound without moving it off centre.
std::vector<Voice> Score() {
  const std::vector<Partial> beep_left = {
      {520, 1.0, 0.30, 0}, {1040, 0.10, 0.20, 0}, {1560, 0.04, 0.15, 0}};
  const std::vector<Partial> beep_right = {
      {520, 1.0, 0.30, 441}, {1040, 0.07, 0.20, 0}, {1560, 0.05, 0.15, 0}};
  // The strong upper partial sits a little above the octave (2,090 rather than 2,080 Hz), as on
  // a bell, which keeps the final tone from sounding like a plain square-ish wave.
  const std::vector<Partial> final_left = {
      {1040, 1.0, 0.45, 0}, {2090, 0.65, 0.32, 0}, {3120, 0.08, 0.20, 0}};
  const std::vector<Partial> final_right = {
      {1040, 1.0, 0.45, 441}, {2090, 0.55, 0.32, 0}, {3120, 0.10, 0.20, 0}};

  constexpr std::int64_t kBeepLength = 41454;  // 0.94 s: a gap of at least 60 ms to the next onset
  constexpr std::int64_t kAttack = 176;        // 4 ms
  std::vector<Voice> score;
  for (const std::int64_t onset : {std::int64_t{2205}, std::int64_t{48510}, std::int64_t{92610}}) {
    score.push_back({onset, kBeepLength, kAttack, 1102, {beep_left, beep_right}});
  }
  constexpr std::int64_t kFinalOnset = 136710;  // 3.10 s
  // The final tone fades out to a few milliseconds before the last frame.
  score.push_back(
      {kFinalOnset, kFrames - kFinalOnset - 220, kAttack, 1764, {final_left, final_right}});
  return score;
}

double Render(const Voice& v, int channel, std::int64_t frame) {
  const std::int64_t k = frame - v.onset;
  if (k < 0 || k >= v.length) {
    return 0.0;
  }
  double total_level = 0.0;
  for (const Partial& p : v.channel[channel]) {
    total_level += p.level;
  }
  const double t = static_cast<double>(k) / static_cast<double>(kRate);
  double sum = 0.0;
  for (const Partial& p : v.channel[channel]) {
    // The phase is kept exact in integers: (hz * k + phase) cycles, in 1/kRate units.
    const std::int64_t phase = (p.hz * k + p.phase) % kRate;
    sum += p.level * ExpNonPositive(-t / p.decay_s) *
           SinTurns(static_cast<double>(phase) / static_cast<double>(kRate));
  }
  return sum / total_level * Ramp(k, v.attack) * Ramp(v.length - 1 - k, v.release);
}

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

void PutId(std::vector<std::uint8_t>& out, std::string_view id) {
  out.insert(out.end(), id.begin(), id.end());
}

// RIFF "WAVE" with a 16-byte format chunk, an INFO list naming this tool, the data chunk, and two
// zero bytes after the RIFF chunk: 824,912 bytes in all.
std::vector<std::uint8_t> WriteWave() {
  constexpr std::string_view kSoftware("xiuran-cuegen\0", 14);
  constexpr std::uint32_t kDataBytes = kFrames * 4;
  std::vector<std::uint8_t> out;
  out.reserve(78 + kDataBytes + 2);
  PutId(out, "RIFF");
  PutU32(out, 4 + (8 + 16) + (8 + 26) + (8 + kDataBytes));
  PutId(out, "WAVE");
  PutId(out, "fmt ");
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, 2);
  PutU32(out, kRate);
  PutU32(out, kRate * 4);
  PutU16(out, 4);
  PutU16(out, 16);
  PutId(out, "LIST");
  PutU32(out, 4 + 8 + kSoftware.size());
  PutId(out, "INFO");
  PutId(out, "ISFT");
  PutU32(out, kSoftware.size());
  PutId(out, kSoftware);
  PutId(out, "data");
  PutU32(out, kDataBytes);

  const std::vector<Voice> score = Score();
  for (std::int64_t frame = 0; frame < kFrames; ++frame) {
    for (int channel = 0; channel < 2; ++channel) {
      double v = 0.0;
      for (const Voice& voice : score) {
        v += Render(voice, channel, frame);
      }
      const long sample = std::lround(v * kPeak);
      PutU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(sample)));
    }
  }
  PutU16(out, 0);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.wav\n", argv[0]);
    return 2;
  }
  const std::vector<std::uint8_t> bytes = WriteWave();
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
