#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace xr {

// The PCM part of a WAVE file. `data` points into the bytes given to ParseWav and holds whole
// sample frames only, little-endian, channels interleaved.
struct WavPcm {
  std::uint16_t channels = 0;
  std::uint32_t sample_rate = 0;
  std::uint16_t bits_per_sample = 0;
  std::span<const std::uint8_t> data;
};

// Reads a RIFF WAVE file from untrusted bytes (a file on disk that anything may have cut short or
// overwritten). Accepts only uncompressed 16-bit PCM with one or two channels at 8,000 to 192,000
// frames per second; anything else, or bytes that are not a WAVE file, gives nullopt. Sizes that
// point past the end of the bytes are clamped to what is present, so a cut-off file yields the
// samples it still holds.
std::optional<WavPcm> ParseWav(std::span<const std::uint8_t> bytes);

}  // namespace xr
