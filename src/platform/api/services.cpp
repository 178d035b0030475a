#include "platform/api/files.h"
#include "platform/api/system.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

System* installedSystem = nullptr;

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

}  // namespace kestro::platform
