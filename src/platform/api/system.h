#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/api/types.h"

namespace kestro::platform {

// Held for as long as the object lives.
class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

enum class MessageIcon { kNone, kError };

// The process and its surroundings: program path, arguments, well-known
// folders, the cross-process lock, message boxes and the foreground window.
class System {
 public:
  virtual ~System() = default;

  // The program's arguments as Windows programs see them; argument 0 is the
  // full path of the program file.
  virtual std::vector<std::string> Arguments() = 0;
  virtual std::string ProgramPath() = 0;
  // The user's folder for temporary files, with a trailing separator.
  virtual std::string TempFolder() = 0;
  // The system's folder for shared libraries, with a trailing separator.
  virtual std::string SystemFolder() = 0;

  // Creates (or opens) the named lock, not owned. `alreadyExisted` tells
  // whether another holder had created it first.
  virtual std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name,
                                                       bool* alreadyExisted) = 0;

  // A modal message box with an OK button (standard error where there is no desktop).
  virtual void ShowMessage(const std::string& text, const std::string& caption,
                           MessageIcon icon) = 0;

  virtual WindowHandle ForegroundWindow() = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;

  // Serves the calling thread's pending window messages once.
  virtual void ProcessMessages() = 0;
  // Shows or ends the busy (hourglass) cursor.
  virtual void SetBusyCursor(bool busy) = 0;

  // Whether screensaver daemons here run programs as hacks of the X11
  // screensaver conventions (-root, -window-id, -window and the
  // XSCREENSAVER_WINDOW variable), which the command line then honours.
  virtual bool HackConventions() = 0;
  // An environment variable's value; nothing when it is not set.
  virtual std::optional<std::string> Environment(const std::string& name) = 0;
};

// The services in use: the native ones unless a test installed others.
System& Sys();
// Installs `system` for the whole process (nullptr restores the native one).
// The caller keeps ownership and must outlive its use.
void InstallSystem(System* system);

}  // namespace kestro::platform
