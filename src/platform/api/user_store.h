#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/error.h"

namespace kestro {

// A value of the per-user store that could not be written. The message
// names the value.
KESTRO_DECLARE_ERROR(ERegistryException);

}  // namespace kestro

namespace kestro::platform {

// What reading a 32-bit value found.
enum class ValueState {
  kOk,         // the value exists and holds a 32-bit integer
  kMissing,    // no value of that name
  kOtherType,  // a value of that name holding something else
};

struct DwordValue {
  ValueState state = ValueState::kMissing;
  std::uint32_t value = 0;
};

// An open key of the per-user store; closed when the object goes. Value
// names compare without regard to case.
class UserKey {
 public:
  virtual ~UserKey() = default;
  virtual DwordValue ReadDword(const std::string& name) = 0;
  // The key's default (unnamed) value when it holds text; nothing otherwise.
  virtual std::optional<std::string> ReadDefaultString() = 0;
  // A named value when it holds text; nothing when it is missing or of
  // another type.
  virtual std::optional<std::string> ReadString(const std::string& name) = 0;
  // Raises ERegistryException naming the value when it cannot be written.
  virtual void WriteDword(const std::string& name, std::uint32_t value) = 0;
};

// The current user's settings store: the registry on Windows
// (HKEY_CURRENT_USER), a file in the user's configuration folder elsewhere,
// memory in tests. Key paths are relative to the user's root, with
// backslashes between the parts ("Software\Brumelwick\Show.scr"), and
// compare without regard to case.
class UserStore {
 public:
  virtual ~UserStore() = default;
  // The key, or nullptr when it does not exist (create false) or cannot be
  // opened or created.
  virtual std::unique_ptr<UserKey> OpenKey(const std::string& path, bool create) = 0;
};

// The store in use: the native one unless a test installed another.
UserStore& UserSettingsStore();
// Installs `store` for the whole process (nullptr restores the native one).
// The caller keeps ownership and must outlive its use.
void InstallUserStore(UserStore* store);

}  // namespace kestro::platform
