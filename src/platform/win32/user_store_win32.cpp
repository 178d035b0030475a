#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/native.h"

namespace kestro::platform {

namespace {

// An open registry key under HKEY_CURRENT_USER; closed with the object, in
// the function that opened it.
class RegistryKey final : public UserKey {
 public:
  explicit RegistryKey(HKEY key) : key_(key) {}
  ~RegistryKey() override { RegCloseKey(key_); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  DwordValue ReadDword(const std::string& name) override {
    DWORD type = 0;
    DWORD size = 0;
    const LONG probe = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
    if (probe == ERROR_FILE_NOT_FOUND) return {ValueState::kMissing, 0};
    if (probe != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(DWORD)) {
      return {ValueState::kOtherType, 0};
    }
    DWORD value = 0;
    size = sizeof value;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
      return {ValueState::kOtherType, 0};
    }
    return {ValueState::kOk, value};
  }

  std::optional<std::string> ReadDefaultString() override { return ReadText(nullptr); }

  std::optional<std::string> ReadString(const std::string& name) override { return ReadText(name.c_str()); }

  void WriteDword(const std::string& name, std::uint32_t value) override {
    const DWORD data = value;
    if (RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) !=
        ERROR_SUCCESS) {
      throw ERegistryException("Failed to set data for '" + name + "'");
    }
  }

 private:
  // A text value (nullptr names the default value).
  std::optional<std::string> ReadText(const char* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    if (size > (1u << 20)) return std::nullopt;
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    // The stored text may or may not carry its terminator.
    std::string text(buffer.data(), std::min<std::size_t>(got, size));
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
  }

  HKEY key_;
};

class RegistryStore final : public UserStore {
 public:
  std::unique_ptr<UserKey> OpenKey(const std::string& path, bool create) override {
    HKEY key = nullptr;
    LONG rc;
    if (create) {
      rc = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
    } else {
      rc = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key);
    }
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<RegistryKey>(key);
  }
};

}  // namespace

std::unique_ptr<UserStore> CreateNativeUserStore() { return std::make_unique<RegistryStore>(); }

}  // namespace kestro::platform
