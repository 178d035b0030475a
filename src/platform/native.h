#pragma once

#include <memory>

#include "platform/api/files.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/user_store.h"

// Factories that the backend built for this platform (win32 or posix) defines.
namespace kestro::platform {

std::unique_ptr<FileSystem> CreateNativeFileSystem();
std::unique_ptr<System> CreateNativeSystem();
std::unique_ptr<UserStore> CreateNativeUserStore();
std::unique_ptr<ShellServices> CreateNativeShell();

}  // namespace kestro::platform
