#include "platform/api/clock.h"
#include "platform/api/display.h"
#include "platform/api/files.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/text.h"
#include "platform/api/thread.h"
#include "platform/api/ui.h"
#include "platform/api/user_store.h"
#include "platform/native.h"

#include <stdexcept>

namespace kestro::platform {

namespace {

System* installedSystem = nullptr;
int installedBitsPerPixel = 0;
UserStore* installedUserStore = nullptr;
ShellServices* installedShell = nullptr;
Clock* installedClock = nullptr;
WindowSystem* installedWindowSystem = nullptr;
ThreadStarter installedThreadStarter = nullptr;
TextRenderer* installedTextRenderer = nullptr;

WindowSystem* NativeWindowSystem() {
  static const std::unique_ptr<WindowSystem> native = CreateNativeWindowSystem();
  return native.get();
}

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

Clock& TheClock() {
  if (installedClock != nullptr) return *installedClock;
  static const std::unique_ptr<Clock> native = CreateNativeClock();
  return *native;
}

void InstallClock(Clock* clock) { installedClock = clock; }

bool HasWindowSystem() { return installedWindowSystem != nullptr || NativeWindowSystem() != nullptr; }

WindowSystem& UI() {
  if (installedWindowSystem != nullptr) return *installedWindowSystem;
  WindowSystem* native = NativeWindowSystem();
  if (native == nullptr) throw std::logic_error("no window system in this build");
  return *native;
}

void InstallWindowSystem(WindowSystem* system) { installedWindowSystem = system; }

TextRenderer& Text() {
  if (installedTextRenderer != nullptr) return *installedTextRenderer;
  static const std::unique_ptr<TextRenderer> native = CreateNativeTextRenderer();
  return *native;
}

void InstallTextRenderer(TextRenderer* renderer) { installedTextRenderer = renderer; }

void InstallThreadStarter(ThreadStarter starter) { installedThreadStarter = starter; }

std::unique_ptr<Thread> StartThread(std::function<void()> body, ThreadPriority priority) {
  if (installedThreadStarter != nullptr) return installedThreadStarter(std::move(body), priority);
  return StartNativeThread(std::move(body), priority);
}

}  // namespace kestro::platform
