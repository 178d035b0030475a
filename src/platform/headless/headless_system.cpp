#include "platform/headless/headless_system.h"

namespace kestro::platform {

class HeadlessMutex final : public NamedMutex {
 public:
  HeadlessMutex(HeadlessSystem* owner, std::string name) : owner_(owner), name_(std::move(name)) {
    ++owner_->holders_[name_];
  }
  ~HeadlessMutex() override {
    if (--owner_->holders_[name_] == 0) owner_->holders_.erase(name_);
  }
  HeadlessMutex(const HeadlessMutex&) = delete;
  HeadlessMutex& operator=(const HeadlessMutex&) = delete;

 private:
  HeadlessSystem* owner_;
  std::string name_;
};

std::unique_ptr<NamedMutex> HeadlessSystem::CreateNamedMutex(const std::string& name,
                                                             bool* alreadyExisted) {
  *alreadyExisted = holders_.count(name) != 0;
  return std::make_unique<HeadlessMutex>(this, name);
}

}  // namespace kestro::platform
