#include "scratch_folder.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "build_error.h"
#include "common/paths.h"
#include "platform/api/files.h"
#include "platform/api/system.h"

namespace kestro::builder {

ScratchFolder::ScratchFolder() {
  std::random_device random;
  char name[32];
  std::snprintf(name, sizeof name, "kestro-build-%08x%08x", random(), random());
  path_ = IncludeTrailingSeparator(platform::Sys().TempFolder() + name);
  if (!platform::Files().CreateDirectories(path_)) throw EBuildError("Cannot create folder " + Quote(path_));
}

ScratchFolder::~ScratchFolder() {
  for (const std::string& file : platform::Files().ListFiles(path_)) {
    platform::Files().SetAttributes(path_ + file, platform::kAttrNormal);
    platform::Files().DeleteFile(path_ + file);
  }
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(path_), ec);
}

}  // namespace kestro::builder
