#include <windows.h>
#include <shellapi.h>

#include "platform/native.h"

namespace kestro::platform {

namespace {

class Win32Shell final : public ShellServices {
 public:
  std::string FileDisplayName(const std::string& path) override {
    SHFILEINFOA info{};
    if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) == 0) return {};
    info.szDisplayName[sizeof info.szDisplayName - 1] = '\0';
    return info.szDisplayName;
  }

  std::vector<std::string> DefaultInstallFolders() override {
    return {"C:\\Program Files\\kestro\\Screensaver Pro\\", "C:\\Program Files\\kestro\\Screensaver\\"};
  }

  bool OpenDocument(const std::string& address) override {
    // The shell's answer is greater than 32 on success.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;
  }
};

}  // namespace

std::unique_ptr<ShellServices> CreateNativeShell() { return std::make_unique<Win32Shell>(); }

}  // namespace kestro::platform
