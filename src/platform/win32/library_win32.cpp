#include <windows.h>

#include "platform/native.h"

namespace kestro::platform {

namespace {

class Win32LibraryLoader final : public LibraryLoader {
 public:
  LibraryHandle Load(const std::string& path) override {
    return reinterpret_cast<LibraryHandle>(LoadLibraryA(path.c_str()));
  }
  void* Symbol(LibraryHandle library, const char* name) override {
    if (library == 0) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), name));
  }
  void Release(LibraryHandle library) override {
    if (library != 0) FreeLibrary(reinterpret_cast<HMODULE>(library));
  }
};

}  // namespace

std::unique_ptr<LibraryLoader> CreateNativeLibraryLoader() { return std::make_unique<Win32LibraryLoader>(); }

}  // namespace kestro::platform
