#pragma once

#include <memory>

#include "platform/api/clock.h"
#include "platform/api/files.h"
#include "platform/api/library.h"
#include "platform/api/media_player.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/text.h"
#include "platform/api/thread.h"
#include "platform/api/ui.h"
#include "platform/api/user_store.h"

// Factories that the backend built for this platform (win32 or posix) defines.
namespace kestro::platform {

std::unique_ptr<FileSystem> CreateNativeFileSystem();
std::unique_ptr<System> CreateNativeSystem();
std::unique_ptr<UserStore> CreateNativeUserStore();
std::unique_ptr<ShellServices> CreateNativeShell();
std::unique_ptr<Clock> CreateNativeClock();
// nullptr where the platform has no window system in this build.
std::unique_ptr<WindowSystem> CreateNativeWindowSystem();
std::unique_ptr<TextRenderer> CreateNativeTextRenderer();
std::unique_ptr<LibraryLoader> CreateNativeLibraryLoader();
std::unique_ptr<MediaPlayer> CreateNativeMediaPlayer();
std::unique_ptr<Thread> StartNativeThread(std::function<void()> body, ThreadPriority priority);

// A thread starter that replaces the native one (the headless backend's, which
// keeps track of its threads for its manual clock); nullptr restores it.
using ThreadStarter = std::unique_ptr<Thread> (*)(std::function<void()>, ThreadPriority);
void InstallThreadStarter(ThreadStarter starter);
// While the main thread waits for a worker thread to end, the window system
// serves the worker's synchronous calls (EventLoop::Synchronize) until
// `done` answers true; a backend whose loop needs this installs its wait.
using SyncServingWait = void (*)(const std::function<bool()>& done);
void InstallSyncServingWait(SyncServingWait wait);
// Bits per pixel times planes of the screen.
int NativeDisplayBitsPerPixel();

}  // namespace kestro::platform
