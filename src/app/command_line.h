#pragma once

#include <cstdint>
#include <optional>
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
  std::int32_t hackConvention = kHackNone;
  platform::WindowHandle hackWindow = 0;
};

// Where the X11 screensaver hack conventions apply: the value of the
// XSCREENSAVER_WINDOW variable, if set.
struct HackEnvironment {
  std::optional<std::string> xscreensaverWindow;
};

// Reads the run mode from the arguments (argument 0 is the program path).
// With `hacks`, the hack conventions come first: -root (the desktop, or the
// XSCREENSAVER_WINDOW window when the daemon set one), -window-id ID
// (decimal or 0x hexadecimal), -window, each also with two dashes and
// anywhere on the line; with no argument at all, XSCREENSAVER_WINDOW alone
// names the window. Each of them runs the show; anything else is the
// Windows grammar.
CommandLineResult InterpretCommandLine(const std::vector<std::string>& args,
                                       const HackEnvironment* hacks = nullptr);

// Parses the process's own command line into the process-wide values.
void ParseCommandLine();

}  // namespace kestro
