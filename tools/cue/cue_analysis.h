#pragma once

// Signal measurements shared by the cue's tests, the recording checker and the latency bench.
// Samples are doubles in 16-bit units (full scale 32,768).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace xr::cue_analysis {

struct Stereo {
  int rate = 0;
  std::vector<double> left;
  std::vector<double> right;  // a copy of left for a mono source
  std::size_t frames() const { return left.size(); }
};

// Interleaved signed 16-bit little-endian frames of one or two channels.
Stereo FromPcm16(std::span<const std::uint8_t> bytes, int channels, int rate);

// Amplitude of the sinusoid at `hz` in x (Hann-windowed Goertzel): a pure tone of amplitude A
// whose frequency is `hz` gives about A.
double ToneAmplitude(std::span<const double> x, double hz, double rate);

// Mean square of both channels over consecutive hops of `hop` frames (the last partial hop is
// dropped).
std::vector<double> Envelope(const Stereo& s, std::size_t hop);

// Frames at which a sound starts: hops whose energy exceeds `floor` and jumps above `jump` times
// the loudest of the `lookback` hops before it. Starts closer than `min_gap` hops to the previous
// one are merged into it. The result is the first frame of each starting hop.
struct OnsetRule {
  std::size_t hop = 110;  // 2.5 ms at 44.1 kHz
  double floor = 1.0e4;   // mean square of an amplitude of about 140
  double jump = 8.0;
  std::size_t lookback = 12;
  std::size_t min_gap = 80;
};
std::vector<std::size_t> Onsets(const Stereo& s, const OnsetRule& rule = {});

// First frame at or after `from` where either channel's magnitude exceeds `level`; frames() when
// there is none.
std::size_t FirstAbove(const Stereo& s, double level, std::size_t from = 0);
// Last frame where either channel's magnitude exceeds `level`; frames() when there is none.
std::size_t LastAbove(const Stereo& s, double level);

// The lag (rec frame = src frame + lag) in [guess - radius, guess + radius] that best correlates
// src[src_begin, src_begin + length) with rec.
std::ptrdiff_t BestLag(const Stereo& src, const Stereo& rec, std::size_t src_begin,
                       std::size_t length, std::ptrdiff_t guess, std::ptrdiff_t radius);

// Least-squares gain g with rec ~ g * src (at the given lag) over src[src_begin, src_end).
double Gain(const Stereo& src, const Stereo& rec, std::ptrdiff_t lag, std::size_t src_begin,
            std::size_t src_end);

// How much of src reached rec, window by window, at the given lag and gain. A window of src that
// is audible (RMS above 40) counts as present when rec holds at least half the energy expected
// there.
struct Coverage {
  std::size_t audible_windows = 0;
  std::size_t present_windows = 0;
  std::optional<std::size_t> first_missing;  // first frame of the first missing window
  std::size_t audible_end = 0;               // one past the last audible frame of src
  std::size_t present_end = 0;        // one past the last frame of src found in rec, in src frames
  double envelope_correlation = 0.0;  // of log energies over the audible windows
};
Coverage Compare(const Stereo& src, const Stereo& rec, std::ptrdiff_t lag, double gain,
                 std::size_t src_begin, std::size_t src_end, std::size_t window = 441);

}  // namespace xr::cue_analysis
