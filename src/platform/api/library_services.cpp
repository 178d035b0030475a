#include "platform/api/library.h"
#include "platform/api/media_player.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

LibraryLoader* installedLoader = nullptr;

std::function<std::unique_ptr<MediaPlayer>()>& InstalledMediaFactory() {
  static std::function<std::unique_ptr<MediaPlayer>()> factory;
  return factory;
}

}  // namespace

LibraryLoader& Libraries() {
  if (installedLoader != nullptr) return *installedLoader;
  static const std::unique_ptr<LibraryLoader> native = CreateNativeLibraryLoader();
  return *native;
}

void InstallLibraryLoader(LibraryLoader* loader) { installedLoader = loader; }

std::string SharedLibraryFileName(std::string_view base) {
#ifdef _WIN32
  return std::string(base) + ".dll";
#else
  return "lib" + std::string(base) + ".so";
#endif
}

std::unique_ptr<MediaPlayer> NewMediaPlayer() {
  if (InstalledMediaFactory()) return InstalledMediaFactory()();
  return CreateNativeMediaPlayer();
}

void InstallMediaPlayerFactory(std::function<std::unique_ptr<MediaPlayer>()> factory) {
  InstalledMediaFactory() = std::move(factory);
}

}  // namespace kestro::platform
