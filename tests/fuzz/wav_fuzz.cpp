// The cue file lies in a directory the user writes to, so the player reads whatever is there.
#include <span>

#include "cue/wav_pcm.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using xr::fuzz::Check;
  const std::span<const std::uint8_t> bytes(data, size);
  const auto wav = xr::ParseWav(bytes);
  if (!wav) return 0;

  // What the player relies on without checking again: the format it hands to the audio sink,
  // and samples it may read to their end.
  Check(wav->bits_per_sample == 16, "16-bit samples only");
  Check(wav->channels == 1 || wav->channels == 2, "one or two channels");
  Check(wav->sample_rate >= 8000 && wav->sample_rate <= 192000, "a rate a sink accepts");
  Check(wav->data.size() % (wav->channels * 2u) == 0, "whole frames only");
  if (!wav->data.empty()) {
    Check(wav->data.data() >= data && wav->data.data() + wav->data.size() <= data + size,
          "samples lie inside the bytes given");
  }
  return 0;
}
