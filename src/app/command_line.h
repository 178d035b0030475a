#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/startup_values.h"
#include "platform/api/types.h"

namespace kestro {

struct CommandLineResult {
  std::int32_t runMode = kRunConfigure;
  platform::WindowHandle parentWindow = 0;
  bool wantsForegroundWindow = false;  // the saver remembers the foreground window
  std::uint8_t saverKind = kSaverImage;
};

// Reads the run mode from the arguments (argument 0 is the program path).
CommandLineResult InterpretCommandLine(const std::vector<std::string>& args);

// Parses the process's own command line into the process-wide values.
void ParseCommandLine();

}  // namespace kestro
