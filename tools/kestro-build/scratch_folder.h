#pragma once

#include <string>

namespace kestro::builder {

// A folder of its own under the user's temporary folder, emptied and removed
// when it goes. Files go directly inside it.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // With a trailing separator.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kestro::builder
