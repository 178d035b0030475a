#pragma once

#include <string>
#include <string_view>

#include "common/error.h"
#include "tool_cli.h"

namespace kestro::builder {

// A screensaver the builder refuses to write, or an input it cannot use.
KESTRO_DECLARE_ERROR(EBuildError);
// A command line the builder does not understand.
using toolcli::EUsageError;

// A name or path in double quotes, for messages.
inline std::string Quote(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  out.append(text);
  out.push_back('"');
  return out;
}

}  // namespace kestro::builder
