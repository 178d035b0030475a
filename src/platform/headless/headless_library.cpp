#include "platform/headless/headless_library.h"

namespace kestro::platform {

void HeadlessLibraryLoader::Uninstall() {
  if (&Libraries() == this) InstallLibraryLoader(nullptr);
}

LibraryHandle HeadlessLibraryLoader::Load(const std::string& path) {
  attempts.push_back(path);
  if (libraries_.count(path) == 0) return 0;
  ++loadCounts[path];
  for (std::size_t i = 0; i < handles_.size(); ++i) {
    if (handles_[i] == path) return i + 1;
  }
  handles_.push_back(path);
  return handles_.size();
}

void* HeadlessLibraryLoader::Symbol(LibraryHandle library, const char* name) {
  if (library == 0 || library > handles_.size()) return nullptr;
  const auto lib = libraries_.find(handles_[library - 1]);
  if (lib == libraries_.end()) return nullptr;
  const auto symbol = lib->second.find(name);
  return symbol == lib->second.end() ? nullptr : symbol->second;
}

void HeadlessLibraryLoader::Release(LibraryHandle library) {
  if (library == 0 || library > handles_.size()) return;
  --loadCounts[handles_[library - 1]];
}

}  // namespace kestro::platform
