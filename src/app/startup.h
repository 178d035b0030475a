#pragma once

namespace kestro {

// The name of the cross-process lock that every screensaver built on this
// runtime shares: at most one of them runs at any time, whatever its mode.
inline constexpr char kSingleInstanceMutex[] = "brumelwickscreensaverimage";

// The whole run: start-up, the one mode of this run, the end-of-run clean-up.
// Returns the process exit code (1 when an error escaped start-up).
int RunProgram();

}  // namespace kestro
