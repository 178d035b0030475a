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

// How an X11 screensaver daemon asked for the show (the hack conventions
// of its command lines): into the desktop (-root), into a window it made
// (-window-id ID, or the XSCREENSAVER_WINDOW variable), or in a new window
// (-window). Under any of them the daemon owns the exit rules, the password
// and the screens: input does not end the show, the system's request to
// end the program does.
enum HackConventions : std::int32_t { kHackNone = 0, kHackRoot = 1, kHackWindowId = 2, kHackNewWindow = 3 };
extern std::int32_t HackConvention;
// The window the show draws into under -root and -window-id; 0 with -root
// means the desktop itself.
extern std::intptr_t HackWindow;

}  // namespace kestro
