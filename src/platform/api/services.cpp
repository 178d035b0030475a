#include "platform/api/files.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/user_store.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

System* installedSystem = nullptr;
UserStore* installedUserStore = nullptr;
ShellServices* installedShell = nullptr;

}  // namespace

FileSystem& Files() {
  static const std::unique_ptr<FileSystem> native = CreateNativeFileSystem();
  return *native;
}

System& Sys() {
  if (installedSystem != nullptr) return *installedSystem;
  static const std::unique_ptr<System> native = CreateNativeSystem();
  return *native;
}

void InstallSystem(System* system) { installedSystem = system; }

UserStore& UserSettingsStore() {
  if (installedUserStore != nullptr) return *installedUserStore;
  static const std::unique_ptr<UserStore> native = CreateNativeUserStore();
  return *native;
}

void InstallUserStore(UserStore* store) { installedUserStore = store; }

ShellServices& Shell() {
  if (installedShell != nullptr) return *installedShell;
  static const std::unique_ptr<ShellServices> native = CreateNativeShell();
  return *native;
}

void InstallShell(ShellServices* shell) { installedShell = shell; }

}  // namespace kestro::platform
