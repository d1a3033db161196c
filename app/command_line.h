// What `--help` and `--version` print, on both systems. The program takes no options: these two
// are answered before any window exists, and every other argument is ignored.
#pragma once

#include <string_view>

#ifndef XR_VERSION
#error "XR_VERSION must name the program's version"
#endif

namespace xr {

enum class CommandLineRequest { kNone, kHelp, kVersion };

// An argument spelt exactly as an ASCII word, in narrow (Linux) or wide (Windows) characters.
template <typename Char>
bool ArgumentIs(const Char* arg, std::string_view word) {
  std::size_t k = 0;
  for (; k < word.size(); ++k) {
    if (arg[k] != static_cast<Char>(word[k])) return false;
  }
  return arg[k] == 0;
}

// The first of the two wins, as with most programs that take both.
template <typename Char>
CommandLineRequest ReadCommandLine(int argc, Char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    if (ArgumentIs(argv[i], "--help")) return CommandLineRequest::kHelp;
    if (ArgumentIs(argv[i], "--version")) return CommandLineRequest::kVersion;
  }
  return CommandLineRequest::kNone;
}

inline constexpr std::string_view kHelpText =
    "Usage: xiuran-timer [--help | --version]\n"
    "\n"
    "岫然计时器 (xiuran-timer) counts up or down in very large digits that grow with\n"
    "its window. Every run starts at 00:00 in countdown mode; nothing is read or\n"
    "saved but the countdown's sound cue. Any other argument is ignored.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the version and exit\n";

inline constexpr std::string_view kVersionText =
    "xiuran-timer " XR_VERSION
    "\n"
    "Copyright (c) 2026 the 岫然计时器 developers. MIT licence.\n";

inline std::string_view CommandLineAnswer(CommandLineRequest request) {
  switch (request) {
    case CommandLineRequest::kHelp:
      return kHelpText;
    case CommandLineRequest::kVersion:
      return kVersionText;
    case CommandLineRequest::kNone:
      break;
  }
  return {};
}

}  // namespace xr
