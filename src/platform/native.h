#pragma once

#include <memory>

#include "platform/api/files.h"
#include "platform/api/system.h"

// Factories that the backend built for this platform (win32 or posix) defines.
namespace kestro::platform {

std::unique_ptr<FileSystem> CreateNativeFileSystem();
std::unique_ptr<System> CreateNativeSystem();

}  // namespace kestro::platform
