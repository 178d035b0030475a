#include "common/paths.h"

namespace kestro {

namespace {

std::size_t NameStart(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return i;
}

}  // namespace

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string ExtractFileExt(std::string_view path) {
  const std::string_view name = path.substr(NameStart(path));
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return std::string(name.substr(dot));
}

std::string IncludeTrailingSeparator(std::string_view folder) {
  std::string out(folder);
  if (out.empty() || (out.back() != '\\' && out.back() != '/')) out.push_back(kPathSep);
  return out;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out = IncludeTrailingSeparator(folder);
  out.append(name);
  return out;
}

}  // namespace kestro
