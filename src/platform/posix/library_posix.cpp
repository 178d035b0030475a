#include <dlfcn.h>

#include "platform/api/system.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

class PosixLibraryLoader final : public LibraryLoader {
 public:
  LibraryHandle Load(const std::string& path) override {
    if (path.empty()) return 0;
    void* library = nullptr;
    // A bare name: the system folder first (where a screensaver puts the
    // libraries it carries), then the dynamic linker's own search.
    if (path.find('/') == std::string::npos) {
      const std::string inSystemFolder = Sys().SystemFolder() + path;
      library = dlopen(inSystemFolder.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    if (library == nullptr) library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<LibraryHandle>(library);
  }
  void* Symbol(LibraryHandle library, const char* name) override {
    if (library == 0) return nullptr;
    return dlsym(reinterpret_cast<void*>(library), name);
  }
  void Release(LibraryHandle library) override {
    if (library != 0) dlclose(reinterpret_cast<void*>(library));
  }
};

}  // namespace

std::unique_ptr<LibraryLoader> CreateNativeLibraryLoader() { return std::make_unique<PosixLibraryLoader>(); }

}  // namespace kestro::platform
