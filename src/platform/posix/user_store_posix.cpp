#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "common/ansi.h"
#include "platform/native.h"

// The per-user store on POSIX systems: one text file,
// $XDG_CONFIG_HOME/kestro/registry.ini (~/.config when the variable is not
// set), with one section per key path and one line per value:
//
//   [Software\Brumelwick\Demo Saver.scr]
//   @=sz:/opt/kestro/Screensaver/
//   ImageInterval=dword:0000000a
//
// "@" is the key's default value; "dword:" holds eight hexadecimal digits,
// "sz:" text to the end of the line; any other form reads as a value of
// another type. Names compare without regard to case. Lines this code does
// not write are kept as they are; the file is replaced as a whole (written
// beside it, then renamed) so a failed write never leaves half a file.

namespace kestro::platform {

namespace {

constexpr std::size_t kMaxStoreSize = 4u << 20;

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

std::string StoreFolder() {
  std::string base = EnvOr("XDG_CONFIG_HOME", EnvOr("HOME", "/tmp") + "/.config");
  if (base.back() != '/') base.push_back('/');
  return base + "kestro/";
}

std::string Trimmed(const std::string& text) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

// A name that reads back as written: no control characters, no "=" in
// value names.
bool IsStorableName(const std::string& name, bool isKeyPath) {
  if (name.empty() || Trimmed(name) != name) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (!isKeyPath && c == '=') return false;
  }
  return true;
}

class StoreFile {
 public:
  explicit StoreFile(std::string path) : path_(std::move(path)) {}

  // False when the file exists but cannot be read.
  bool Load() {
    lines_.clear();
    std::ifstream in(path_, std::ios::binary);
    if (!in) return ::access(path_.c_str(), F_OK) != 0;
    std::string text;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (text.size() > kMaxStoreSize) return false;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
    return true;
  }

  bool Save() const {
    const std::size_t slash = path_.rfind('/');
    MakeFolders(path_.substr(0, slash));
    const std::string temp = path_ + ".new";
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      if (!out) return false;
      for (const std::string& line : lines_) out << line << '\n';
      out.flush();
      if (!out) {
        std::remove(temp.c_str());
        return false;
      }
    }
    if (std::rename(temp.c_str(), path_.c_str()) != 0) {
      std::remove(temp.c_str());
      return false;
    }
    return true;
  }

  // Index of the section's header, or npos.
  std::size_t FindSection(const std::string& keyPath) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const std::string t = Trimmed(lines_[i]);
      if (t.size() >= 2 && t.front() == '[' && t.back() == ']' && SameText(t.substr(1, t.size() - 2), keyPath)) {
        return i;
      }
    }
    return std::string::npos;
  }

  std::size_t AddSection(const std::string& keyPath) {
    if (!lines_.empty() && !Trimmed(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + keyPath + "]");
    return lines_.size() - 1;
  }

  // The values of the section at `header`: upper-cased name -> stored form.
  std::map<std::string, std::string> Values(std::size_t header) const {
    std::map<std::string, std::string> values;
    for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(i); ++i) {
      const std::size_t eq = lines_[i].find('=');
      if (eq == std::string::npos) continue;
      values.try_emplace(AnsiUpperCase(Trimmed(lines_[i].substr(0, eq))), lines_[i].substr(eq + 1));
    }
    return values;
  }

  void SetValue(std::size_t header, const std::string& name, const std::string& stored) {
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines_.size() && !IsHeader(i); ++i) {
      const std::size_t eq = lines_[i].find('=');
      if (eq == std::string::npos) continue;
      if (SameText(Trimmed(lines_[i].substr(0, eq)), name)) {
        lines_[i] = lines_[i].substr(0, eq + 1) + stored;  // the name keeps its first spelling
        return;
      }
      insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), name + "=" + stored);
  }

 private:
  bool IsHeader(std::size_t i) const {
    const std::string t = Trimmed(lines_[i]);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
  }

  static void MakeFolders(const std::string& folder) {
    if (folder.empty()) return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return;
    const std::size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(folder.substr(0, slash));
    ::mkdir(folder.c_str(), 0700);
  }

  std::string path_;
  std::vector<std::string> lines_;
};

class FileKey final : public UserKey {
 public:
  FileKey(std::string file, std::string keyPath, std::map<std::string, std::string> values)
      : file_(std::move(file)), keyPath_(std::move(keyPath)), values_(std::move(values)) {}

  DwordValue ReadDword(const std::string& name) override {
    const auto hit = values_.find(AnsiUpperCase(name));
    if (hit == values_.end()) return {ValueState::kMissing, 0};
    const std::string& stored = hit->second;
    if (!StartsWithText(stored, "dword:")) return {ValueState::kOtherType, 0};
    const std::string digits = Trimmed(stored.substr(6));
    if (digits.empty() || digits.size() > 8) return {ValueState::kOtherType, 0};
    std::uint32_t value = 0;
    for (const char c : digits) {
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else return {ValueState::kOtherType, 0};
      value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return {ValueState::kOk, value};
  }

  std::optional<std::string> ReadDefaultString() override {
    const auto hit = values_.find("@");
    if (hit == values_.end() || !StartsWithText(hit->second, "sz:")) return std::nullopt;
    return hit->second.substr(3);
  }

  std::optional<std::string> ReadString(const std::string& name) override {
    const auto hit = values_.find(AnsiUpperCase(name));
    if (hit == values_.end() || !StartsWithText(hit->second, "sz:")) return std::nullopt;
    return hit->second.substr(3);
  }

  void WriteDword(const std::string& name, std::uint32_t value) override {
    const std::string failure = "Failed to set data for '" + name + "'";
    if (!IsStorableName(name, false) || name == "@") throw ERegistryException(failure);
    char stored[16];
    std::snprintf(stored, sizeof stored, "dword:%08x", static_cast<unsigned>(value));
    StoreFile file(file_);
    if (!file.Load()) throw ERegistryException(failure);
    std::size_t header = file.FindSection(keyPath_);
    if (header == std::string::npos) header = file.AddSection(keyPath_);
    file.SetValue(header, name, stored);
    if (!file.Save()) throw ERegistryException(failure);
    values_[AnsiUpperCase(name)] = stored;
  }

 private:
  std::string file_;
  std::string keyPath_;
  std::map<std::string, std::string> values_;  // as the key held them when opened, plus writes
};

class FileUserStore final : public UserStore {
 public:
  std::unique_ptr<UserKey> OpenKey(const std::string& path, bool create) override {
    if (!IsStorableName(path, true)) return nullptr;
    const std::string fileName = StoreFolder() + "registry.ini";
    StoreFile file(fileName);
    if (!file.Load()) return nullptr;
    std::size_t header = file.FindSection(path);
    if (header == std::string::npos) {
      if (!create) return nullptr;
      header = file.AddSection(path);
      if (!file.Save()) return nullptr;
    }
    return std::make_unique<FileKey>(fileName, path, file.Values(header));
  }
};

}  // namespace

std::unique_ptr<UserStore> CreateNativeUserStore() { return std::make_unique<FileUserStore>(); }

}  // namespace kestro::platform
