#include "cue/wav_pcm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace xr {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v & 0xFF));
  b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutU32(Bytes& b, std::uint32_t v) {
  PutU16(b, v & 0xFFFF);
  PutU16(b, v >> 16);
}

Bytes Id(const std::string& id) { return Bytes(id.begin(), id.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) {
    out.insert(out.end(), p.begin(), p.end());
  }
  return out;
}

// A chunk whose header may claim a size other than the body it carries. A body of odd length
// gets its pad byte only when the claim is honest.
Bytes Chunk(const std::string& id, const Bytes& body, std::int64_t declared = -1) {
  Bytes out = Id(id);
  PutU32(out, declared < 0 ? static_cast<std::uint32_t>(body.size())
                           : static_cast<std::uint32_t>(declared));
  out.insert(out.end(), body.begin(), body.end());
  if (declared < 0 && body.size() % 2 == 1) {
    out.push_back(0);
  }
  return out;
}

Bytes FmtBody(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t bits,
              std::int64_t block_align = -1) {
  const std::uint32_t align =
      block_align < 0 ? channels * bits / 8 : static_cast<std::uint32_t>(block_align);
  Bytes b;
  PutU16(b, tag);
  PutU16(b, channels);
  PutU32(b, rate);
  PutU32(b, rate * align);
  PutU16(b, align);
  PutU16(b, bits);
  return b;
}

Bytes Fmt(std::uint32_t channels, std::uint32_t rate) {
  return Chunk("fmt ", FmtBody(1, channels, rate, 16));
}

Bytes Samples(std::size_t n) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) {
    b[i] = static_cast<std::uint8_t>(i * 37 + 1);
  }
  return b;
}

// RIFF header plus chunks; the RIFF size is the true one unless given.
Bytes Wave(const Bytes& chunks, std::int64_t riff_size = -1, const std::string& form = "WAVE") {
  Bytes out = Id("RIFF");
  PutU32(out, riff_size < 0 ? static_cast<std::uint32_t>(4 + chunks.size())
                            : static_cast<std::uint32_t>(riff_size));
  return Cat({out, Id(form), chunks});
}

struct Row {
  std::string name;
  Bytes bytes;
  bool accepted;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::size_t data_offset = 0;  // where the PCM must start in `bytes`
  std::size_t data_size = 0;
};

std::vector<Row> Rows() {
  const Bytes stereo = Fmt(2, 44100);
  const Bytes list3 = Chunk("LIST", Bytes{'a', 'b', 'c'});  // odd: 3 bytes + pad
  std::vector<Row> rows = {
      // Accepted, with the PCM where it really is.
      {"plain stereo", Wave(Cat({stereo, Chunk("data", Samples(16))})), true, 2, 44100, 44, 16},
      {"mono 8 kHz", Wave(Cat({Fmt(1, 8000), Chunk("data", Samples(6))})), true, 1, 8000, 44, 6},
      {"192 kHz", Wave(Cat({Fmt(2, 192000), Chunk("data", Samples(8))})), true, 2, 192000, 44, 8},
      {"data size beyond the file", Wave(Cat({stereo, Chunk("data", Samples(12), 1000000)})),
       true, 2, 44100, 44, 12},
      {"data size 0xFFFFFFFF", Wave(Cat({stereo, Chunk("data", Samples(12), 0xFFFFFFFF)})), true,
       2, 44100, 44, 12},
      {"RIFF size 0xFFFFFFFF", Wave(Cat({stereo, Chunk("data", Samples(8))}), 0xFFFFFFFF), true, 2,
       44100, 44, 8},
      {"odd chunk padded before fmt", Wave(Cat({list3, stereo, Chunk("data", Samples(8))})), true,
       2, 44100, 56, 8},
      {"odd chunk padded between fmt and data",
       Wave(Cat({stereo, list3, Chunk("data", Samples(8))})), true, 2, 44100, 56, 8},
      {"data before fmt", Wave(Cat({Chunk("data", Samples(8)), stereo})), true, 2, 44100, 20, 8},
      {"trailing partial frame dropped", Wave(Cat({stereo, Chunk("data", Samples(7))})), true, 2,
       44100, 44, 4},
      {"zero-length data", Wave(Cat({stereo, Chunk("data", {})})), true, 2, 44100, 44, 0},
      {"18-byte fmt", Wave(Cat({Chunk("fmt ", Cat({FmtBody(1, 2, 44100, 16), Bytes{0, 0}})),
                                 Chunk("data", Samples(8))})),
       true, 2, 44100, 46, 8},
      {"junk after the RIFF chunk ignored",
       Cat({Wave(Cat({stereo, Chunk("data", Samples(8))})), Id("data"), Bytes{0xFF, 0xFF}}), true,
       2, 44100, 44, 8},
      {"RIFF size ends inside the data", Wave(Cat({stereo, Chunk("data", Samples(16))}), 4 + 24 + 8 + 6),
       true, 2, 44100, 44, 4},
      {"first fmt and first data win",
       Wave(Cat({stereo, Chunk("data", Samples(4)), Fmt(1, 8000), Chunk("data", Samples(8))})),
       true, 2, 44100, 44, 4},

      // Refused.
      {"empty", {}, false},
      {"11 bytes", Bytes(11, 0), false},
      {"header only", Wave({}), false},
      {"big-endian RIFX", [] {
         Bytes b = Wave(Cat({Fmt(2, 44100), Chunk("data", Samples(8))}));
         b[3] = 'X';
         return b;
       }(), false},
      {"not WAVE", Wave(Cat({stereo, Chunk("data", Samples(8))}), -1, "AVI "), false},
      {"RIFF size 0", Wave(Cat({stereo, Chunk("data", Samples(8))}), 0), false},
      {"RIFF size ends before fmt", Wave(Cat({stereo, Chunk("data", Samples(8))}), 4 + 12), false},
      {"missing fmt", Wave(Chunk("data", Samples(8))), false},
      {"missing data", Wave(stereo), false},
      {"fmt cut off", Wave(Bytes(stereo.begin(), stereo.begin() + 18)), false},
      {"fmt of 14 bytes", Wave(Cat({Chunk("fmt ", [] {
                                      Bytes b = FmtBody(1, 2, 44100, 16);
                                      b.resize(14);
                                      return b;
                                    }()),
                                    Chunk("data", Samples(8))})),
       false},
      {"huge chunk before fmt", Wave(Cat({Chunk("junk", Samples(4), 0xFFFFFFF0), stereo,
                                          Chunk("data", Samples(8))})),
       false},
      {"float", Wave(Cat({Chunk("fmt ", FmtBody(3, 2, 44100, 32)), Chunk("data", Samples(8))})),
       false},
      {"extensible", Wave(Cat({Chunk("fmt ", FmtBody(0xFFFE, 2, 44100, 16)),
                               Chunk("data", Samples(8))})),
       false},
      {"ADPCM", Wave(Cat({Chunk("fmt ", FmtBody(2, 2, 44100, 16)), Chunk("data", Samples(8))})),
       false},
      {"8-bit", Wave(Cat({Chunk("fmt ", FmtBody(1, 2, 44100, 8)), Chunk("data", Samples(8))})),
       false},
      {"24-bit", Wave(Cat({Chunk("fmt ", FmtBody(1, 2, 44100, 24)), Chunk("data", Samples(12))})),
       false},
      {"no channels", Wave(Cat({Chunk("fmt ", FmtBody(1, 0, 44100, 16)), Chunk("data", Samples(8))})),
       false},
      {"3 channels", Wave(Cat({Fmt(3, 44100), Chunk("data", Samples(12))})), false},
      {"7999 Hz", Wave(Cat({Fmt(2, 7999), Chunk("data", Samples(8))})), false},
      {"192001 Hz", Wave(Cat({Fmt(2, 192001), Chunk("data", Samples(8))})), false},
      {"block align of mono in stereo",
       Wave(Cat({Chunk("fmt ", FmtBody(1, 2, 44100, 16, 2)), Chunk("data", Samples(8))})), false},
      {"block align 0", Wave(Cat({Chunk("fmt ", FmtBody(1, 1, 44100, 16, 0)),
                                  Chunk("data", Samples(8))})),
       false},
  };
  return rows;
}

TEST(ParseWav, AcceptsPcmWhereItIsAndRefusesTheRest) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    const std::optional<WavPcm> wav = ParseWav(row.bytes);
    ASSERT_EQ(wav.has_value(), row.accepted);
    if (!wav) {
      continue;
    }
    EXPECT_EQ(wav->channels, row.channels);
    EXPECT_EQ(wav->sample_rate, row.rate);
    EXPECT_EQ(wav->bits_per_sample, 16);
    EXPECT_EQ(wav->data.data(), row.bytes.data() + row.data_offset);
    EXPECT_EQ(wav->data.size(), row.data_size);
  }
}

// The cue file on disk may be cut off anywhere or overwritten: whatever the bytes, the result
// must lie inside them and hold whole frames. (Run under AddressSanitizer, this also proves that
// nothing is read outside the input.)
TEST(ParseWav, StaysInsideDamagedInput) {
  const Bytes good =
      Wave(Cat({Chunk("LIST", Bytes{'x'}), Fmt(2, 22050), Chunk("data", Samples(64))}));
  enum Outcome { kRefused, kAccepted, kOutside };
  const auto check = [](const Bytes& bytes) {
    // A copy of exactly this size, so that reading one byte past the end is caught.
    const std::vector<std::uint8_t> exact(bytes.begin(), bytes.end());
    const std::optional<WavPcm> wav = ParseWav(exact);
    if (!wav) {
      return kRefused;
    }
    const bool inside = wav->data.data() >= exact.data() &&
                        wav->data.data() + wav->data.size() <= exact.data() + exact.size() &&
                        wav->data.size() % (2u * wav->channels) == 0;
    return inside ? kAccepted : kOutside;
  };

  // Every cut: those that keep the data chunk's header give the samples that are left.
  constexpr std::size_t kDataBody = 12 + 10 + 24 + 8;
  for (std::size_t n = 0; n <= good.size(); ++n) {
    EXPECT_EQ(check(Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n))),
              n >= kDataBody ? kAccepted : kRefused)
        << "cut to " << n << " bytes";
  }

  // Random overwrites, reproducible.
  std::mt19937 random(20261207);
  for (int round = 0; round < 20000; ++round) {
    Bytes bytes = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    }
    ASSERT_NE(check(bytes), kOutside) << "round " << round;
  }
}

TEST(ParseWav, ReadsTheCueFile) {
  std::ifstream in(XR_CUE_WAV, std::ios::binary);
  const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::optional<WavPcm> wav = ParseWav(bytes);
  ASSERT_TRUE(wav.has_value());
  EXPECT_EQ(wav->channels, 2);
  EXPECT_EQ(wav->sample_rate, 44100u);
  EXPECT_EQ(wav->bits_per_sample, 16);
  EXPECT_EQ(wav->data.data(), bytes.data() + 78);
  EXPECT_EQ(wav->data.size(), 824832u);  // the two bytes after the RIFF chunk are not sound
}

}  // namespace
}  // namespace xr
