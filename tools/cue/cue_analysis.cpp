#include "tools/cue/cue_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace xr::cue_analysis {
namespace {

// The frame of rec that corresponds to src frame i, or -1 outside rec.
std::ptrdiff_t RecIndex(const Stereo& rec, std::size_t i, std::ptrdiff_t lag) {
  const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + lag;
  return (j < 0 || j >= static_cast<std::ptrdiff_t>(rec.frames())) ? -1 : j;
}

double Magnitude(const Stereo& s, std::size_t i) {
  return std::max(std::abs(s.left[i]), std::abs(s.right[i]));
}

}  // namespace

Stereo FromPcm16(std::span<const std::uint8_t> bytes, int channels, int rate) {
  Stereo s;
  s.rate = rate;
  const std::size_t frame_bytes = static_cast<std::size_t>(channels) * 2;
  const std::size_t frames = channels > 0 ? bytes.size() / frame_bytes : 0;
  s.left.resize(frames);
  s.right.resize(frames);
  for (std::size_t f = 0; f < frames; ++f) {
    const std::uint8_t* p = bytes.data() + f * frame_bytes;
    const auto sample = [p](std::size_t c) {
      return static_cast<double>(static_cast<std::int16_t>(p[2 * c] | (p[2 * c + 1] << 8)));
    };
    s.left[f] = sample(0);
    s.right[f] = channels > 1 ? sample(1) : s.left[f];
  }
  return s;
}

double ToneAmplitude(std::span<const double> x, double hz, double rate) {
  if (x.size() < 2) {
    return 0.0;
  }
  const double n = static_cast<double>(x.size());
  const double coeff = 2.0 * std::cos(2.0 * std::numbers::pi * hz / rate);
  double s1 = 0.0;
  double s2 = 0.0;
  double window_sum = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
    window_sum += w;
    const double s0 = x[i] * w + coeff * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
  return 2.0 * std::sqrt(std::max(power, 0.0)) / window_sum;
}

std::vector<double> Envelope(const Stereo& s, std::size_t hop) {
  std::vector<double> env;
  if (hop == 0) {
    return env;
  }
  env.reserve(s.frames() / hop);
  for (std::size_t start = 0; start + hop <= s.frames(); start += hop) {
    double sum = 0.0;
    for (std::size_t i = start; i < start + hop; ++i) {
      sum += s.left[i] * s.left[i] + s.right[i] * s.right[i];
    }
    env.push_back(sum / static_cast<double>(2 * hop));
  }
  return env;
}

std::vector<std::size_t> Onsets(const Stereo& s, const OnsetRule& rule) {
  const std::vector<double> env = Envelope(s, rule.hop);
  std::vector<std::size_t> onsets;
  std::size_t last_hop = 0;
  for (std::size_t h = 0; h < env.size(); ++h) {
    const std::size_t from = h > rule.lookback ? h - rule.lookback : 0;
    const double before = h > 0 ? *std::max_element(env.begin() + from, env.begin() + h) : 0.0;
    if (env[h] > rule.floor && env[h] > rule.jump * before) {
      if (onsets.empty() || h - last_hop >= rule.min_gap) {
        onsets.push_back(h * rule.hop);
      }
      last_hop = h;
    }
  }
  return onsets;
}

std::size_t FirstAbove(const Stereo& s, double level, std::size_t from) {
  for (std::size_t i = from; i < s.frames(); ++i) {
    if (Magnitude(s, i) > level) {
      return i;
    }
  }
  return s.frames();
}

std::size_t LastAbove(const Stereo& s, double level) {
  for (std::size_t i = s.frames(); i > 0; --i) {
    if (Magnitude(s, i - 1) > level) {
      return i - 1;
    }
  }
  return s.frames();
}

std::ptrdiff_t BestLag(const Stereo& src, const Stereo& rec, std::size_t src_begin,
                       std::size_t length, std::ptrdiff_t guess, std::ptrdiff_t radius) {
  std::ptrdiff_t best = guess;
  double best_score = -1.0e300;
  const std::size_t end = std::min(src_begin + length, src.frames());
  for (std::ptrdiff_t lag = guess - radius; lag <= guess + radius; ++lag) {
    // Normalised by rec's energy in the window: a raw product would favour lags that line src up
    // with louder parts of rec, one period off inside a tone that is still swelling.
    double cross = 0.0;
    double energy = 0.0;
    for (std::size_t i = src_begin; i < end; ++i) {
      const std::ptrdiff_t j = RecIndex(rec, i, lag);
      if (j >= 0) {
        const auto k = static_cast<std::size_t>(j);
        cross += src.left[i] * rec.left[k] + src.right[i] * rec.right[k];
        energy += rec.left[k] * rec.left[k] + rec.right[k] * rec.right[k];
      }
    }
    const double score = energy > 0.0 ? cross / std::sqrt(energy) : 0.0;
    if (score > best_score) {
      best_score = score;
      best = lag;
    }
  }
  return best;
}

double Gain(const Stereo& src, const Stereo& rec, std::ptrdiff_t lag, std::size_t src_begin,
            std::size_t src_end) {
  double cross = 0.0;
  double self = 0.0;
  for (std::size_t i = src_begin; i < std::min(src_end, src.frames()); ++i) {
    const std::ptrdiff_t j = RecIndex(rec, i, lag);
    const double rl = j >= 0 ? rec.left[static_cast<std::size_t>(j)] : 0.0;
    const double rr = j >= 0 ? rec.right[static_cast<std::size_t>(j)] : 0.0;
    cross += src.left[i] * rl + src.right[i] * rr;
    self += src.left[i] * src.left[i] + src.right[i] * src.right[i];
  }
  return self > 0.0 ? cross / self : 0.0;
}

Coverage Compare(const Stereo& src, const Stereo& rec, std::ptrdiff_t lag, double gain,
                 std::size_t src_begin, std::size_t src_end, std::size_t window) {
  Coverage c;
  src_end = std::min(src_end, src.frames());
  // Audible: an RMS of 40 in src, far enough above one unit that a scaled copy rounded to whole
  // samples still carries nearly all of the expected energy.
  constexpr double audible = 40.0 * 40.0;
  std::vector<double> log_src;
  std::vector<double> log_rec;
  for (std::size_t start = src_begin; start + window <= src_end; start += window) {
    double es = 0.0;
    double er = 0.0;
    for (std::size_t i = start; i < start + window; ++i) {
      es += src.left[i] * src.left[i] + src.right[i] * src.right[i];
      const std::ptrdiff_t j = RecIndex(rec, i, lag);
      if (j >= 0) {
        const auto k = static_cast<std::size_t>(j);
        er += rec.left[k] * rec.left[k] + rec.right[k] * rec.right[k];
      }
    }
    es /= static_cast<double>(2 * window);
    er /= static_cast<double>(2 * window);
    if (es <= audible) {
      continue;
    }
    ++c.audible_windows;
    c.audible_end = start + window;
    if (er >= 0.5 * gain * gain * es) {
      ++c.present_windows;
      c.present_end = start + window;
    } else if (!c.first_missing) {
      c.first_missing = start;
    }
    log_src.push_back(std::log(es));
    log_rec.push_back(std::log(er + 1.0));
  }
  if (log_src.size() > 1) {
    const double n = static_cast<double>(log_src.size());
    double ms = 0.0;
    double mr = 0.0;
    for (std::size_t i = 0; i < log_src.size(); ++i) {
      ms += log_src[i] / n;
      mr += log_rec[i] / n;
    }
    double sxy = 0.0;
    double sxx = 0.0;
    double syy = 0.0;
    for (std::size_t i = 0; i < log_src.size(); ++i) {
      sxy += (log_src[i] - ms) * (log_rec[i] - mr);
      sxx += (log_src[i] - ms) * (log_src[i] - ms);
      syy += (log_rec[i] - mr) * (log_rec[i] - mr);
    }
    c.envelope_correlation = (sxx > 0.0 && syy > 0.0) ? sxy / std::sqrt(sxx * syy) : 0.0;
  }
  return c;
}

}  // namespace xr::cue_analysis
