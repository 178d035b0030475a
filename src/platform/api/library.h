#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestro::platform {

// A library loaded at run time; 0 means none.
using LibraryHandle = std::uintptr_t;

// Loading libraries at run time: LoadLibrary and GetProcAddress on Windows,
// dlopen and dlsym elsewhere, a table of functions in tests.
class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  // Loads the library at `path`; a bare file name is looked for by the
  // system's library search (the system folder included). 0 on failure.
  virtual LibraryHandle Load(const std::string& path) = 0;
  // The address of an export, nullptr when the library has none of that name.
  virtual void* Symbol(LibraryHandle library, const char* name) = 0;
  // Drops one load of the library.
  virtual void Release(LibraryHandle library) = 0;
};

LibraryLoader& Libraries();
// Installs `loader` for the whole process (nullptr restores the native one).
void InstallLibraryLoader(LibraryLoader* loader);

// The file name of a shared library of the given base name on this platform:
// "mpegdll.dll" on Windows, "libmpegdll.so" elsewhere.
std::string SharedLibraryFileName(std::string_view base);

}  // namespace kestro::platform
