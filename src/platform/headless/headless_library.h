#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/api/library.h"

namespace kestro::platform {

// Libraries for tests: each path stands for a table of functions the test
// supplies; loading any other path fails. Paths compare exactly.
class HeadlessLibraryLoader final : public LibraryLoader {
 public:
  using Exports = std::map<std::string, void*>;

  ~HeadlessLibraryLoader() override { Uninstall(); }
  // Makes this the process's loader, and takes it away again.
  void Install() { InstallLibraryLoader(this); }
  void Uninstall();

  void Add(const std::string& path, Exports exports) { libraries_[path] = std::move(exports); }
  void Remove(const std::string& path) { libraries_.erase(path); }

  LibraryHandle Load(const std::string& path) override;
  void* Symbol(LibraryHandle library, const char* name) override;
  void Release(LibraryHandle library) override;

  // Every path asked for, in order; loads minus releases of each path.
  std::vector<std::string> attempts;
  std::map<std::string, int> loadCounts;

 private:
  std::map<std::string, Exports> libraries_;
  std::vector<std::string> handles_;  // handle n is handles_[n - 1]
};

}  // namespace kestro::platform
