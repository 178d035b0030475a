#include "platform/api/files.h"

namespace kestro::platform {

std::optional<std::string> FileSystem::ReadWholeFile(const std::string& path, std::size_t maxBytes) {
  auto in = Open(path, OpenMode::kReadShared);
  if (!in) return std::nullopt;
  const std::uint64_t size = in->Size();
  if (size > maxBytes) return std::nullopt;
  std::string data(static_cast<std::size_t>(size), '\0');
  data.resize(in->Read(data.data(), data.size()));
  return data;
}

}  // namespace kestro::platform
