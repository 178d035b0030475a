#include "platform/api/display.h"
#include "platform/api/files.h"
#include "platform/api/system.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

System* installedSystem = nullptr;
int installedBitsPerPixel = 0;

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

int DisplayBitsPerPixel() {
  if (installedBitsPerPixel > 0) return installedBitsPerPixel;
  static const int native = NativeDisplayBitsPerPixel();
  return native;
}

void InstallDisplayBitsPerPixel(int bits) { installedBitsPerPixel = bits > 0 ? bits : 0; }

}  // namespace kestro::platform
