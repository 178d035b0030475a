#pragma once

#include <string>
#include <vector>

namespace kestro::platform {

// What the desktop shell knows about files and installed programs.
class ShellServices {
 public:
  virtual ~ShellServices() = default;
  // The name the shell shows for a file (the long name of a file given by
  // its short 8.3 name on Windows); empty when the shell cannot tell.
  virtual std::string FileDisplayName(const std::string& path) = 0;
  // The folders where a screensaver installation keeps its sample,
  // background and licence files when the user store names none, in the
  // order they are tried, each with a trailing separator.
  virtual std::vector<std::string> DefaultInstallFolders() = 0;
  // Opens a web or mail address with the user's default program for it (the
  // browser, the mail program), without waiting for it; false when that
  // could not be started.
  virtual bool OpenDocument(const std::string& address) = 0;
};

ShellServices& Shell();
// Installs `shell` for the whole process (nullptr restores the native one).
void InstallShell(ShellServices* shell);

}  // namespace kestro::platform
