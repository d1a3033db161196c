// What the fuzz targets share: a check that stops the run on a broken promise, so that libFuzzer
// records the input and the corpus replay fails, and the entry point both drivers call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace xr::fuzz {

inline void Check(bool holds, const char* promise) {
  if (!holds) {
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
  }
}

}  // namespace xr::fuzz
