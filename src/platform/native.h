#pragma once

#include <memory>

#include "platform/api/files.h"
#include "platform/api/system.h"

// Factories that the backend built for this platform (win32 or posix) defines.
namespace kestro::platform {

std::unique_ptr<FileSystem> CreateNativeFileSystem();
std::unique_ptr<System> CreateNativeSystem();
// Bits per pixel times planes of the screen.
int NativeDisplayBitsPerPixel();

}  // namespace kestro::platform
