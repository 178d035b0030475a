#include "common/paths.h"

#include "common/ansi.h"

namespace kestro {

namespace {

std::size_t NameStart(std::string_view path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathDelimiter(path[i - 1])) --i;
  return i;
}

}  // namespace

bool IsWindowsDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = AnsiUpperCase(base);
  if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" ||
      upper == "CONOUT$") {
    return true;
  }
  if (upper.size() != 4 || (upper.compare(0, 3, "COM") != 0 && upper.compare(0, 3, "LPT") != 0)) return false;
  // The digits 1 to 9, and the superscripts one, two and three of the ANSI
  // code page, which Windows reserves as well.
  const auto digit = static_cast<unsigned char>(upper[3]);
  return (digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name) {
    if (IsPathDelimiter(c) || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return !IsWindowsDeviceName(name);
}

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
