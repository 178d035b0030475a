#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/api/types.h"

namespace kestro {

// What this run was asked to do.
enum RunModes : std::int32_t {
  kRunConfigure = 1,         // no argument: the settings dialog
  kRunConfigureSwitch = 2,   // the "C" switch: the settings dialog
  kRunSaver = 3,             // the full-screen show
  kRunPreview = 4,           // the live preview inside a host window
  kRunPasswordChange = 5,    // the password change
};

// Which kind of screensaver this program file is, from its path: 0 image,
// 1 flash, 2 video, 3 web. It chooses which per-user values are read.
enum SaverKinds : std::uint8_t { kSaverImage = 0, kSaverFlash = 1, kSaverVideo = 2, kSaverWeb = 3 };

extern std::int32_t RunMode;
extern platform::WindowHandle ParentWindow;
extern platform::WindowHandle PreviousForegroundWindow;
extern std::uint8_t SaverKind;

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
