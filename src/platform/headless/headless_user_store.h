#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/api/shell.h"
#include "platform/api/user_store.h"

namespace kestro::platform {

// The per-user store in memory, for tests: keys and values of any type are
// set directly, writes can be made to fail, and every write is logged.
class HeadlessUserStore final : public UserStore {
 public:
  enum class Type { kDword, kString, kBinary };
  struct Value {
    Type type = Type::kDword;
    std::uint32_t dword = 0;
    std::string data;  // text or bytes
  };

  std::unique_ptr<UserKey> OpenKey(const std::string& path, bool create) override;

  void CreateKey(const std::string& path);
  void DeleteKey(const std::string& path);
  bool KeyExists(const std::string& path) const;
  void SetDword(const std::string& path, const std::string& name, std::uint32_t value);
  void SetString(const std::string& path, const std::string& name, const std::string& text);
  void SetBinary(const std::string& path, const std::string& name, const std::string& bytes);
  // The key's default value ("" names it).
  void SetDefault(const std::string& path, const std::string& text) { SetString(path, "", text); }
  std::optional<Value> Get(const std::string& path, const std::string& name) const;
  // Names of the key's values, in order of first write.
  std::vector<std::string> ValueNames(const std::string& path) const;

  bool failCreate = false;               // OpenKey with create fails for a key that does not exist
  std::set<std::string> failWritesOf;    // value names (upper-cased) whose writes fail
  // Every successful write: "path\name=value", in order.
  std::vector<std::string> writeLog;

 private:
  friend class HeadlessUserKey;
  struct Key {
    std::vector<std::string> order;                 // names as first written
    std::map<std::string, Value> values;            // upper-cased name -> value
  };
  Key& Touch(const std::string& path);
  void Put(const std::string& path, const std::string& name, Value value);
  std::map<std::string, Key> keys_;                 // upper-cased path -> key
};

// The shell for tests: display names and install folders set by the test.
class HeadlessShell final : public ShellServices {
 public:
  std::map<std::string, std::string> displayNames;  // path -> name; others show their file name
  std::vector<std::string> installFolders;
  // The addresses opened, in order.
  std::vector<std::string> opened;

  std::string FileDisplayName(const std::string& path) override;
  std::vector<std::string> DefaultInstallFolders() override { return installFolders; }
  bool OpenDocument(const std::string& address) override {
    opened.push_back(address);
    return true;
  }
};

}  // namespace kestro::platform
