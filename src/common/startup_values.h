#pragma once

#include <cstdint>

namespace kestro {

// The process-wide values the command line sets once at start-up and the
// windows of the run read afterwards.

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
// Window handles as the platform layer gives them (platform::WindowHandle).
extern std::intptr_t ParentWindow;
extern std::intptr_t PreviousForegroundWindow;
extern std::uint8_t SaverKind;

}  // namespace kestro
