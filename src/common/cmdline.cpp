#include "common/cmdline.h"

namespace kestro {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (true) {
    while (true) {
      while (i < n && line[i] != '\0' && IsBlank(line[i])) ++i;
      if (i + 1 < n && line[i] == '"' && line[i + 1] == '"') {
        i += 2;
      } else {
        break;
      }
    }
    if (i >= n || line[i] == '\0') break;
    std::string arg;
    while (i < n && !IsBlank(line[i])) {
      if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '\0' && line[i] != '"') arg.push_back(line[i++]);
        if (i < n && line[i] == '"') ++i;
      } else {
        arg.push_back(line[i++]);
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace kestro
