#include "cue/wav_pcm.h"

#include <algorithm>
#include <cstddef>

namespace xr {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint32_t kMinRate = 8000;
constexpr std::uint32_t kMaxRate = 192000;

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool IdIs(std::span<const std::uint8_t> b, std::size_t at, const char (&id)[5]) {
  return std::equal(id, id + 4, b.begin() + static_cast<std::ptrdiff_t>(at),
                    [](char c, std::uint8_t v) { return static_cast<std::uint8_t>(c) == v; });
}

struct Format {
  std::uint16_t tag;
  std::uint16_t channels;
  std::uint32_t rate;
  std::uint16_t block_align;
  std::uint16_t bits;
};

}  // namespace

std::optional<WavPcm> ParseWav(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !IdIs(bytes, 0, "RIFF") || !IdIs(bytes, 8, "WAVE")) {
    return std::nullopt;
  }
  // Chunks end where the RIFF size says, or earlier when the bytes are cut off; whatever follows
  // the RIFF chunk (padding, junk) is not part of the sound. All arithmetic is in 64 bits so that
  // no 32-bit size can wrap a position.
  const std::uint64_t riff_end =
      std::min<std::uint64_t>(std::uint64_t{8} + U32(bytes, 4), bytes.size());
  if (riff_end < 12) {
    return std::nullopt;
  }

  std::optional<Format> format;
  std::optional<std::span<const std::uint8_t>> data;
  std::uint64_t pos = 12;
  while (pos + 8 <= riff_end && !(format && data)) {
    const std::uint64_t size = U32(bytes, static_cast<std::size_t>(pos + 4));
    const std::uint64_t body = pos + 8;
    const std::uint64_t present = std::min(size, riff_end - body);
    if (IdIs(bytes, static_cast<std::size_t>(pos), "fmt ") && !format) {
      if (present < 16) {
        return std::nullopt;
      }
      const auto at = static_cast<std::size_t>(body);
      format = Format{U16(bytes, at), U16(bytes, at + 2), U32(bytes, at + 4), U16(bytes, at + 12),
                      U16(bytes, at + 14)};
    } else if (IdIs(bytes, static_cast<std::size_t>(pos), "data") && !data) {
      data = bytes.subspan(static_cast<std::size_t>(body), static_cast<std::size_t>(present));
    }
    // Chunk bodies of odd length are followed by one pad byte.
    pos = body + size + (size & 1);
  }

  if (!format || !data) {
    return std::nullopt;
  }
  // The byte rate in the format chunk is not checked: it is derived from the fields that are, and
  // nothing here depends on it.
  const Format& f = *format;
  if (f.tag != kFormatPcm || f.bits != 16 || (f.channels != 1 && f.channels != 2) ||
      f.rate < kMinRate || f.rate > kMaxRate || f.block_align != f.channels * 2) {
    return std::nullopt;
  }
  // A trailing partial frame would shift the channels of everything played after it.
  const std::size_t whole = data->size() - data->size() % f.block_align;
  return WavPcm{f.channels, f.rate, f.bits, data->first(whole)};
}

}  // namespace xr
