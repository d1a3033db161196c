// Checks a recording of the countdown cue played through a sound server against the cue file:
//
//   xr-cue-check CUE.wav RECORDING.raw [--restart-after-ms N]
//
// RECORDING.raw is raw signed 16-bit little-endian stereo at 44,100 frames per second, as parec
// writes it. The recording must hold the whole cue exactly once, at half amplitude, with its
// three beeps and final tone at their offsets and nothing before or after it. With
// --restart-after-ms, the cue was started, then started again about N ms later (N < 850): the
// recording must hold the beginning of the cue, cut off, followed by the whole cue.
//
// Prints what it measured; exits 0 when every check holds, 1 otherwise, 2 on bad input.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cue/wav_pcm.h"
#include "tools/cue/cue_analysis.h"

namespace {

namespace ca = xr::cue_analysis;

constexpr double kRate = 44100.0;
constexpr double kNominalOffsets[] = {1.05, 2.05, 3.05};
constexpr double kOffsetTolerance = 0.030;
// The player plays at volume 50 of 100, which it renders as half amplitude.
constexpr double kExpectedGain = 0.5;
constexpr double kGainTolerance = 0.05;

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) {
    ++failures;
  }
}

std::string Fmt(const char* format, double a, double b = 0.0, double c = 0.0) {
  char text[256];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::vector<std::uint8_t> ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Seconds(std::ptrdiff_t frames) { return static_cast<double>(frames) / kRate; }

// The strongest of the given frequencies at 10..56 ms after an onset.
void CheckPitch(const ca::Stereo& rec, std::size_t onset, bool final_tone, int index) {
  const std::size_t begin = onset + 441;
  if (begin + 2048 > rec.frames()) {
    Check(false, "onset " + std::to_string(index) + " too close to the end for a pitch check");
    return;
  }
  const std::span<const double> w(rec.left.data() + begin, 2048);
  const double a520 = ca::ToneAmplitude(w, 520, kRate);
  const double a1040 = ca::ToneAmplitude(w, 1040, kRate);
  const double a2090 = ca::ToneAmplitude(w, 2090, kRate);
  const double a780 = ca::ToneAmplitude(w, 780, kRate);
  if (!final_tone) {
    Check(a520 > 4 * std::max(a1040, a780) && a520 > 4 * a2090,
          "sound " + std::to_string(index) +
              Fmt(" is a beep at 520 Hz (amplitudes 520: %.0f, 1040: %.0f, 2090: %.0f)", a520,
                  a1040, a2090));
  } else {
    Check(a1040 > 4 * a520 && a2090 > 0.3 * a1040,
          "sound " + std::to_string(index) +
              Fmt(" is the final tone at 1040 Hz with 2090 Hz (amplitudes 520: %.0f, 1040: %.0f, "
                  "2090: %.0f)",
                  a520, a1040, a2090));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--restart-after-ms")) {
    std::fprintf(stderr, "usage: %s CUE.wav RECORDING.raw [--restart-after-ms N]\n", argv[0]);
    return 2;
  }
  const bool restart = argc == 5;
  const double restart_s = restart ? std::atof(argv[4]) / 1000.0 : 0.0;

  const std::vector<std::uint8_t> wav_bytes = ReadAll(argv[1]);
  const std::optional<xr::WavPcm> wav = xr::ParseWav(wav_bytes);
  if (!wav || wav->sample_rate != 44100) {
    std::fprintf(stderr, "%s: not a 44.1 kHz 16-bit PCM WAVE file\n", argv[1]);
    return 2;
  }
  const ca::Stereo src = ca::FromPcm16(wav->data, wav->channels, 44100);
  const std::vector<std::uint8_t> rec_bytes = ReadAll(argv[2]);
  const ca::Stereo rec = ca::FromPcm16(rec_bytes, 2, 44100);
  std::printf("recording: %.3f s\n", Seconds(static_cast<std::ptrdiff_t>(rec.frames())));

  const std::vector<std::size_t> src_onsets = ca::Onsets(src);
  const std::vector<std::size_t> rec_onsets = ca::Onsets(rec);
  std::printf("onsets in the recording (s):");
  for (const std::size_t o : rec_onsets) {
    std::printf(" %.4f", Seconds(static_cast<std::ptrdiff_t>(o)));
  }
  std::printf("\n");
  if (src_onsets.size() != 4) {
    std::fprintf(stderr, "%s: expected 4 sounds in the cue, found %zu\n", argv[1],
                 src_onsets.size());
    return 2;
  }

  const std::size_t expected = restart ? 5 : 4;
  Check(rec_onsets.size() == expected, "the recording holds " + std::to_string(expected) +
                                           " sound onsets (found " +
                                           std::to_string(rec_onsets.size()) + ")");
  if (rec_onsets.size() != expected) {
    return 1;
  }
  const std::size_t first = restart ? 1 : 0;  // the onset of the complete play
  if (restart) {
    // When the second start lands depends on the player's timer on a loaded machine; what matters
    // is that it cut the first play before that play's second beep, and started from the top.
    const double gap = Seconds(static_cast<std::ptrdiff_t>(rec_onsets[1] - rec_onsets[0]));
    Check(gap > 0.2 && gap < kNominalOffsets[0] - 0.1,
          Fmt("the second play starts %.4f s after the first (asked: %.3f s), cutting the first",
              gap, restart_s));
  }
  for (int k = 0; k < 3; ++k) {
    const double offset =
        Seconds(static_cast<std::ptrdiff_t>(rec_onsets[first + 1 + static_cast<std::size_t>(k)]) -
                static_cast<std::ptrdiff_t>(rec_onsets[first]));
    const double src_offset =
        Seconds(static_cast<std::ptrdiff_t>(src_onsets[1 + k] - src_onsets[0]));
    Check(std::abs(offset - kNominalOffsets[k]) <= kOffsetTolerance &&
              std::abs(offset - src_offset) <= kOffsetTolerance,
          Fmt("sound %.0f starts %.4f s after the first (cue file: %.4f s)", k + 2, offset,
              src_offset));
  }
  for (std::size_t k = 0; k < 4; ++k) {
    CheckPitch(rec, rec_onsets[first + k], k == 3, static_cast<int>(k + 1));
  }

  // Sample-exact alignment of the complete play, then its level and completeness.
  const std::ptrdiff_t guess =
      static_cast<std::ptrdiff_t>(rec_onsets[first]) - static_cast<std::ptrdiff_t>(src_onsets[0]);
  const std::ptrdiff_t lag = ca::BestLag(src, rec, src_onsets[0], 4410, guess, 441);
  const double gain = ca::Gain(src, rec, lag, src_onsets[0], src.frames());
  Check(std::abs(gain - kExpectedGain) <= kGainTolerance,
        Fmt("level is %.3f of the file's (volume 50 of 100 is 0.5)", gain));
  const ca::Coverage cover = ca::Compare(src, rec, lag, gain, src_onsets[0], src.frames());
  std::printf("audible 10 ms windows of the cue: %zu, found in the recording: %zu\n",
              cover.audible_windows, cover.present_windows);
  Check(!cover.first_missing,
        cover.first_missing ? Fmt("the cue is complete (first missing window at %.3f s of the cue)",
                                  Seconds(static_cast<std::ptrdiff_t>(*cover.first_missing)))
                            : std::string("the cue is complete (no audible window missing)"));
  Check(cover.present_end == cover.audible_end && cover.audible_end > 0,
        Fmt("the tail is present: sound found up to %.3f s of the cue, which is audible up to "
            "%.3f s (file: %.3f s)",
            Seconds(static_cast<std::ptrdiff_t>(cover.present_end)),
            Seconds(static_cast<std::ptrdiff_t>(cover.audible_end)),
            Seconds(static_cast<std::ptrdiff_t>(src.frames()))));
  Check(cover.envelope_correlation >= 0.99,
        Fmt("energy envelope follows the cue's (correlation %.4f)", cover.envelope_correlation));

  if (restart) {
    // The cut play: the beginning of the cue, up to shortly before the second start.
    const std::ptrdiff_t guess0 =
        static_cast<std::ptrdiff_t>(rec_onsets[0]) - static_cast<std::ptrdiff_t>(src_onsets[0]);
    const std::ptrdiff_t lag0 = ca::BestLag(src, rec, src_onsets[0], 4410, guess0, 441);
    const std::size_t cut =
        static_cast<std::size_t>(static_cast<std::ptrdiff_t>(rec_onsets[1]) - lag0) - 2205;
    const double gain0 = ca::Gain(src, rec, lag0, src_onsets[0], cut);
    Check(std::abs(gain0 - kExpectedGain) <= kGainTolerance,
          Fmt("the first play, until the restart, is the cue's beginning at level %.3f", gain0));
  }

  // Nothing but the cue: silence before the first onset and after the end of the complete play.
  double before = 0.0;
  for (std::size_t i = 0; i + 44 < rec_onsets[0]; ++i) {
    before = std::max({before, std::abs(rec.left[i]), std::abs(rec.right[i])});
  }
  double after = 0.0;
  const std::ptrdiff_t end = static_cast<std::ptrdiff_t>(src.frames()) + lag;
  for (std::size_t i = static_cast<std::size_t>(std::max<std::ptrdiff_t>(end, 0)); i < rec.frames();
       ++i) {
    after = std::max({after, std::abs(rec.left[i]), std::abs(rec.right[i])});
  }
  Check(before <= 2.0 && after <= 2.0,
        Fmt("silence before and after the cue (peaks %.0f and %.0f)", before, after));

  std::printf("%s\n", failures == 0 ? "PASS" : "FAILED");
  return failures == 0 ? 0 : 1;
}
