#pragma once

#include <cstdint>

#include "platform/api/types.h"

namespace kestro {

// The system's services around a running screensaver: the password check
// that guards the end of a show, the password change of the "/a" request,
// the system's "a screensaver runs" flag, the topmost band and the monitors.

// The per-user key and value that say whether the screensaver asks for the
// password.
inline constexpr char kDesktopKey[] = "Control Panel\\desktop";
inline constexpr char kUsePasswordValue[] = "ScreenSaveUsePassword";

// Whether the show may close. True when password protection is off (no key,
// no value, a value of 0), when the system's password library or its entry
// point is missing, when the user gave the right password, and on any
// failure. With `ManageCursor` the cursor is shown while the system asks,
// and hidden again afterwards, whatever happens in between.
bool VerifySaverPassword(platform::WindowHandle Window, bool ManageCursor);

// Tells the system whether a screensaver runs; with `ManageCursor` the
// cursor is shown when the show ends and hidden when it starts. While the
// run serves a host window (a preview or password request), the system is
// always told that none runs, and the cursor is shown.
void SetSaverRunning(bool Ending, bool ManageCursor);

// The password change of the "/a" request, owned by ParentWindow: the
// system's own dialog does the work. Its result, or -1 when the library or
// its entry point is missing or anything fails.
std::int32_t ChangeSaverPassword();

// Puts a window into the topmost band or takes it out, without moving,
// sizing or activating it.
void SetTopmost(platform::WindowHandle Window, bool On);

// The sum of the widths of all monitors.
std::int32_t TotalMonitorWidth();

// The host window the show must answer to: ParentWindow, except when the
// program runs as a plain program (RunAsExe), where the show is a show
// whatever the command line held and a handle on it means nothing.
platform::WindowHandle ShowHostWindow();

}  // namespace kestro
