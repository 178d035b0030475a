#include "platform/headless/headless_user_store.h"

#include "common/ansi.h"
#include "common/paths.h"

namespace kestro::platform {

class HeadlessUserKey final : public UserKey {
 public:
  HeadlessUserKey(HeadlessUserStore* store, std::string path) : store_(store), path_(std::move(path)) {}

  DwordValue ReadDword(const std::string& name) override {
    const auto value = store_->Get(path_, name);
    if (!value) return {ValueState::kMissing, 0};
    if (value->type != HeadlessUserStore::Type::kDword) return {ValueState::kOtherType, 0};
    return {ValueState::kOk, value->dword};
  }

  std::optional<std::string> ReadDefaultString() override {
    const auto value = store_->Get(path_, "");
    if (!value || value->type != HeadlessUserStore::Type::kString) return std::nullopt;
    return value->data;
  }

  std::optional<std::string> ReadString(const std::string& name) override {
    const auto value = store_->Get(path_, name);
    if (!value || value->type != HeadlessUserStore::Type::kString) return std::nullopt;
    return value->data;
  }

  void WriteDword(const std::string& name, std::uint32_t value) override {
    if (store_->failWritesOf.count(AnsiUpperCase(name)) != 0 || !store_->KeyExists(path_)) {
      throw ERegistryException("Failed to set data for '" + name + "'");
    }
    store_->SetDword(path_, name, value);
    store_->writeLog.push_back(path_ + "\\" + name + "=" + std::to_string(value));
  }

 private:
  HeadlessUserStore* store_;
  std::string path_;
};

std::unique_ptr<UserKey> HeadlessUserStore::OpenKey(const std::string& path, bool create) {
  if (!KeyExists(path)) {
    if (!create || failCreate) return nullptr;
    CreateKey(path);
  }
  return std::make_unique<HeadlessUserKey>(this, path);
}

HeadlessUserStore::Key& HeadlessUserStore::Touch(const std::string& path) { return keys_[AnsiUpperCase(path)]; }

void HeadlessUserStore::CreateKey(const std::string& path) { Touch(path); }

void HeadlessUserStore::DeleteKey(const std::string& path) { keys_.erase(AnsiUpperCase(path)); }

bool HeadlessUserStore::KeyExists(const std::string& path) const {
  return keys_.count(AnsiUpperCase(path)) != 0;
}

void HeadlessUserStore::Put(const std::string& path, const std::string& name, Value value) {
  Key& key = Touch(path);
  auto [hit, added] = key.values.insert_or_assign(AnsiUpperCase(name), std::move(value));
  if (added) key.order.push_back(name);
}

void HeadlessUserStore::SetDword(const std::string& path, const std::string& name, std::uint32_t value) {
  Put(path, name, Value{Type::kDword, value, {}});
}

void HeadlessUserStore::SetString(const std::string& path, const std::string& name, const std::string& text) {
  Put(path, name, Value{Type::kString, 0, text});
}

void HeadlessUserStore::SetBinary(const std::string& path, const std::string& name, const std::string& bytes) {
  Put(path, name, Value{Type::kBinary, 0, bytes});
}

std::optional<HeadlessUserStore::Value> HeadlessUserStore::Get(const std::string& path,
                                                               const std::string& name) const {
  const auto key = keys_.find(AnsiUpperCase(path));
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.values.find(AnsiUpperCase(name));
  if (value == key->second.values.end()) return std::nullopt;
  return value->second;
}

std::vector<std::string> HeadlessUserStore::ValueNames(const std::string& path) const {
  const auto key = keys_.find(AnsiUpperCase(path));
  return key == keys_.end() ? std::vector<std::string>{} : key->second.order;
}

std::string HeadlessShell::FileDisplayName(const std::string& path) {
  const auto hit = displayNames.find(path);
  return hit != displayNames.end() ? hit->second : ExtractFileName(path);
}

}  // namespace kestro::platform
