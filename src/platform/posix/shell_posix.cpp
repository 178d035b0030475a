#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>  // environ

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/paths.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

// Linux desktops show a file under its own name, and an installation keeps
// its shared files under the user's data folder:
// $XDG_DATA_HOME/kestro/Screensaver Pro/ or .../Screensaver/
// (~/.local/share when the variable is not set).
class PosixShell final : public ShellServices {
 public:
  std::string FileDisplayName(const std::string& path) override { return ExtractFileName(path); }

  std::vector<std::string> DefaultInstallFolders() override {
    const char* data = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (data != nullptr && *data != '\0') {
      base = data;
    } else {
      const char* home = std::getenv("HOME");
      base = std::string(home != nullptr && *home != '\0' ? home : "/tmp") + "/.local/share";
    }
    base = IncludeTrailingSeparator(base) + "kestro/";
    return {base + "Screensaver Pro/", base + "Screensaver/"};
  }

  // xdg-open, started without a shell; a thread of its own waits for it to
  // end so that it leaves no zombie process behind.
  bool OpenDocument(const std::string& address) override {
    char program[] = "xdg-open";
    std::string argument = address;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t opener = 0;
    if (posix_spawnp(&opener, program, nullptr, nullptr, argv, environ) != 0) return false;
    std::thread([opener] {
      int status = 0;
      while (waitpid(opener, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return true;
  }
};

}  // namespace

std::unique_ptr<ShellServices> CreateNativeShell() { return std::make_unique<PosixShell>(); }

}  // namespace kestro::platform
