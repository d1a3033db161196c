// The committed cue sound: its exact layout, what it sounds like, and that the generator still
// produces it.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cue/wav_pcm.h"
#include "tools/cue/cue_analysis.h"

namespace xr {
namespace {

namespace ca = cue_analysis;
using Bytes = std::vector<std::uint8_t>;

constexpr double kRate = 44100.0;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const Bytes& CueBytes() {
  static const Bytes bytes = ReadFile(XR_CUE_WAV);
  return bytes;
}

const ca::Stereo& Cue() {
  static const ca::Stereo cue = [] {
    const std::optional<WavPcm> wav = ParseWav(CueBytes());
    return wav ? ca::FromPcm16(wav->data, wav->channels, static_cast<int>(wav->sample_rate))
               : ca::Stereo{};
  }();
  return cue;
}

std::size_t Frame(double seconds) { return static_cast<std::size_t>(seconds * kRate); }

double Rms(const ca::Stereo& s, double from, double to) {
  double sum = 0.0;
  for (std::size_t i = Frame(from); i < Frame(to); ++i) {
    sum += s.left[i] * s.left[i] + s.right[i] * s.right[i];
  }
  return std::sqrt(sum / static_cast<double>(2 * (Frame(to) - Frame(from))));
}

double Peak(const ca::Stereo& s, std::size_t from, std::size_t to) {
  double peak = 0.0;
  for (std::size_t i = from; i < std::min(to, s.frames()); ++i) {
    peak = std::max({peak, std::abs(s.left[i]), std::abs(s.right[i])});
  }
  return peak;
}

TEST(CueFile, HasTheExactLayout) {
  const Bytes& b = CueBytes();
  ASSERT_EQ(b.size(), 824912u);
  const auto u16 = [&b](std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8);
  };
  const auto u32 = [&](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
  const auto text = [&b](std::size_t at, std::size_t n) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + n));
  };
  struct Field {
    std::size_t offset;
    std::string id;        // four characters, or
    std::uint32_t number;  // a number of `width` bytes
    int width;
  };
  const Field fields[] = {
      {0, "RIFF", 0, 0},   {4, "", 824902, 4},  {8, "WAVE", 0, 0},  {12, "fmt ", 0, 0},
      {16, "", 16, 4},     {20, "", 1, 2},      {22, "", 2, 2},     {24, "", 44100, 4},
      {28, "", 176400, 4}, {32, "", 4, 2},      {34, "", 16, 2},    {36, "LIST", 0, 0},
      {40, "", 26, 4},     {44, "INFO", 0, 0},  {48, "ISFT", 0, 0}, {52, "", 14, 4},
      {70, "data", 0, 0},  {74, "", 824832, 4}, {824910, "", 0, 2},
  };
  for (const Field& f : fields) {
    SCOPED_TRACE("offset " + std::to_string(f.offset));
    if (!f.id.empty()) {
      EXPECT_EQ(text(f.offset, 4), f.id);
    } else {
      EXPECT_EQ(f.width == 2 ? u16(f.offset) : u32(f.offset), f.number);
    }
  }
  // The software name: 13 printable characters and its terminating zero.
  const std::string name = text(56, 14);
  EXPECT_EQ(name.back(), '\0');
  EXPECT_TRUE(std::all_of(name.begin(), name.end() - 1, [](char c) { return c > ' ' && c < 127; }))
      << name;
}

TEST(CueSound, StartsThreeBeepsAndTheFinalToneOnTime) {
  const ca::Stereo& cue = Cue();
  ASSERT_EQ(cue.frames(), 206208u);
  const std::vector<std::size_t> onsets = ca::Onsets(cue);
  ASSERT_EQ(onsets.size(), 4u);
  const double expected[] = {0.05, 1.10, 2.10, 3.10};
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_NEAR(static_cast<double>(onsets[k]) / kRate, expected[k], 0.010) << "sound " << k + 1;
    // At full level right after its attack.
    EXPECT_GT(Peak(cue, onsets[k], onsets[k] + Frame(0.03)), 0.7 * 32768) << "sound " << k + 1;
  }
}

TEST(CueSound, BeepsAt520HzAndFinalToneAt1040HzWithOvertoneNear2090Hz) {
  const ca::Stereo& cue = Cue();
  const double starts[] = {0.05, 1.10, 2.10, 3.10};
  for (int channel = 0; channel < 2; ++channel) {
    const std::vector<double>& x = channel == 0 ? cue.left : cue.right;
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE("channel " + std::to_string(channel) + ", sound " + std::to_string(k + 1));
      const std::span<const double> w(x.data() + Frame(starts[k] + 0.01), 4096);
      const auto amp = [&](double hz) { return ca::ToneAmplitude(w, hz, kRate); };
      if (k < 3) {
        EXPECT_GT(amp(520), 10 * amp(1040));
        EXPECT_GT(amp(520), 10 * amp(780));
        EXPECT_GT(amp(520), 4 * amp(500));  // the peak is at 520, not merely near it
        EXPECT_GT(amp(520), 4 * amp(540));
      } else {
        EXPECT_GT(amp(1040), 10 * amp(520));
        EXPECT_GT(amp(1040), 4 * amp(1020));
        EXPECT_GT(amp(1040), 4 * amp(1060));
        // A strong overtone, peaking near 2,090 Hz: a 0.3 s window tells 20 Hz apart.
        const std::span<const double> long_w(x.data() + Frame(starts[k] + 0.01), Frame(0.3));
        const auto fine = [&](double hz) { return ca::ToneAmplitude(long_w, hz, kRate); };
        EXPECT_GT(amp(2090), 0.4 * amp(1040));
        EXPECT_GT(fine(2090), 4 * fine(2070));
        EXPECT_GT(fine(2090), 4 * fine(2110));
      }
    }
  }
}

TEST(CueSound, EachSoundFadesOut) {
  const ca::Stereo& cue = Cue();
  struct Fade {
    double start;
    double length;
  };
  for (const Fade f : {Fade{0.05, 0.9}, Fade{1.10, 0.9}, Fade{2.10, 0.9}, Fade{3.10, 1.5}}) {
    SCOPED_TRACE("sound at " + std::to_string(f.start));
    double previous = Rms(cue, f.start + 0.01, f.start + 0.06);
    // Falling steadily, by a sixth or more every tenth of the sound, and by 20 dB in all.
    for (int step = 1; step < 10; ++step) {
      const double t = f.start + f.length * step / 10.0;
      const double now = Rms(cue, t, t + 0.05);
      EXPECT_LT(now, previous / 1.2) << "at " << t << " s";
      previous = now;
    }
    EXPECT_LT(previous, Rms(cue, f.start + 0.01, f.start + 0.06) / 10);
  }
}

TEST(CueSound, ChannelsDifferButCarryTheSameSound) {
  const ca::Stereo& cue = Cue();
  std::size_t sounding = 0;
  std::size_t different = 0;
  double lr = 0.0;
  double ll = 0.0;
  double rr = 0.0;
  for (std::size_t i = 0; i < cue.frames(); ++i) {
    if (cue.left[i] != 0.0 || cue.right[i] != 0.0) {
      ++sounding;
      different += cue.left[i] != cue.right[i] ? 1 : 0;
    }
    lr += cue.left[i] * cue.right[i];
    ll += cue.left[i] * cue.left[i];
    rr += cue.right[i] * cue.right[i];
  }
  EXPECT_GT(different, sounding / 2);
  EXPECT_GT(lr / std::sqrt(ll * rr), 0.9);
  EXPECT_LT(lr / std::sqrt(ll * rr), 0.9999);
}

TEST(CueSound, LoudWithoutClippingAndWithoutClicks) {
  const ca::Stereo& cue = Cue();
  const double peak = Peak(cue, 0, cue.frames());
  EXPECT_GT(peak, 0.8 * 32768);
  EXPECT_LT(peak, 32767);

  // No step larger than the steepest full-scale sine in the sound (2,090 Hz) could make.
  const double max_step = 2 * 3.14159265358979 * 2090 / kRate * 32768;
  for (std::size_t i = 1; i < cue.frames(); ++i) {
    ASSERT_LT(std::abs(cue.left[i] - cue.left[i - 1]), max_step) << "frame " << i;
    ASSERT_LT(std::abs(cue.right[i] - cue.right[i - 1]), max_step) << "frame " << i;
  }

  // Every stretch of sound begins and ends with a ramp: its first and last half millisecond stay
  // quiet. The cue ends in silence, too.
  std::vector<std::pair<std::size_t, std::size_t>> stretches;  // [first, last] sounding frames
  const auto silent = [&](std::size_t i) { return cue.left[i] == 0.0 && cue.right[i] == 0.0; };
  for (std::size_t i = 0; i < cue.frames(); ++i) {
    if (!silent(i) && (i == 0 || silent(i - 1))) {
      stretches.emplace_back(i, i);
    }
    if (!silent(i)) {
      stretches.back().second = i;
    }
  }
  // Each sound may cross zero on its way; join stretches split by fewer than 10 ms of zeros.
  std::vector<std::pair<std::size_t, std::size_t>> sounds;
  for (const auto& s : stretches) {
    if (!sounds.empty() && s.first - sounds.back().second < Frame(0.01)) {
      sounds.back().second = s.second;
    } else {
      sounds.push_back(s);
    }
  }
  ASSERT_EQ(sounds.size(), 4u);
  for (const auto& [first, last] : sounds) {
    SCOPED_TRACE("sound from frame " + std::to_string(first));
    EXPECT_LT(Peak(cue, first, first + 22), 0.1 * 32768);
    EXPECT_LT(Peak(cue, last - 21, last + 1), 0.1 * 32768);
  }
  EXPECT_LT(sounds.back().second, cue.frames() - 1);
  EXPECT_GT(sounds.back().second, Frame(4.6));  // the final tone lasts to the end
}

// The committed file is what the generator makes, on every run.
TEST(CueGenerator, RegeneratesTheCommittedFileExactly) {
  char pattern[] = "/tmp/cue_gen_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::filesystem::path dir(pattern);
  for (const char* name : {"first.wav", "second.wav"}) {
    const std::string out = (dir / name).string();
    const std::string command = std::string("'") + XR_MAKE_CUE_WAV + "' '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const Bytes made = ReadFile(out);
    EXPECT_EQ(made.size(), CueBytes().size()) << name;
    EXPECT_TRUE(made == CueBytes()) << name << " differs from " << XR_CUE_WAV;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace xr
