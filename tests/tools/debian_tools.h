#pragma once

// Debian's own picture tools, run by the differential tests: exiftool,
// jpegtran, cjpeg, heif-enc, avifenc, cwebp and the decoders beside them.
// scripts/setup.sh installs them; a test that finds one missing is skipped
// with a message naming it.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace kestro::testing {

// The text as one shell word.
inline std::string ShellWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command, its output discarded; true when it exits with 0.
inline bool RunQuietly(const std::string& command) {
  return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

// The command's standard output.
inline std::string CaptureOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

inline bool HaveTool(const std::string& name) { return RunQuietly("command -v " + ShellWord(name)); }

}  // namespace kestro::testing

#define KESTRO_REQUIRE_TOOL(name)                                                          \
  do {                                                                                     \
    if (!::kestro::testing::HaveTool(name)) {                                              \
      GTEST_SKIP() << name << " is not installed (scripts/setup.sh build installs it)";    \
    }                                                                                      \
  } while (false)
