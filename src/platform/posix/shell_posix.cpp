#include <cstdlib>

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
};

}  // namespace

std::unique_ptr<ShellServices> CreateNativeShell() { return std::make_unique<PosixShell>(); }

}  // namespace kestro::platform
