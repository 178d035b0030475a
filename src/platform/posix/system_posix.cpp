#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include "common/paths.h"
#include "platform/native.h"
#include "platform/posix/process_args.h"

namespace kestro::platform {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

std::string HomeFolder() { return EnvOr("HOME", "/tmp"); }

// A lock file held with flock(): a second process cannot take it while the
// first lives, and the kernel frees it when the holder ends.
class FlockMutex final : public NamedMutex {
 public:
  explicit FlockMutex(int fd) : fd_(fd) {}
  ~FlockMutex() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FlockMutex(const FlockMutex&) = delete;
  FlockMutex& operator=(const FlockMutex&) = delete;

 private:
  int fd_;
};

class PosixSystem final : public System {
 public:
  std::vector<std::string> Arguments() override {
    std::vector<std::string> args = ProcessArguments();
    if (args.empty()) args.emplace_back();
    args[0] = ProgramPath();
    return args;
  }

  std::string ProgramPath() override {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    const std::vector<std::string>& args = ProcessArguments();
    return args.empty() ? std::string() : args[0];
  }

  std::string TempFolder() override { return IncludeTrailingSeparator(EnvOr("TMPDIR", "/tmp")); }

  std::string SystemFolder() override {
    return IncludeTrailingSeparator(EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share")) +
           "kestro/lib/";
  }

  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, bool* alreadyExisted) override {
    const std::string folder = EnvOr("XDG_RUNTIME_DIR", "/tmp");
    const std::string path = IncludeTrailingSeparator(folder) + name + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    *alreadyExisted = false;
    if (fd < 0) return std::make_unique<FlockMutex>(-1);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      *alreadyExisted = true;
      ::close(fd);
      return std::make_unique<FlockMutex>(-1);
    }
    return std::make_unique<FlockMutex>(fd);
  }

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
  }

  WindowHandle ForegroundWindow() override { return foreground_; }
  void SetForegroundWindow(WindowHandle window) override { foreground_ = window; }
  void ProcessMessages() override {}
  void SetBusyCursor(bool) override {}
  bool HackConventions() override { return true; }
  std::optional<std::string> Environment(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }

 private:
  WindowHandle foreground_ = 0;
};

}  // namespace

std::unique_ptr<System> CreateNativeSystem() { return std::make_unique<PosixSystem>(); }

const std::vector<std::string>& ProcessArguments() {
  static const std::vector<std::string> args = [] {
    std::vector<std::string> out;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    while (std::getline(in, arg, '\0')) out.push_back(arg);
    return out;
  }();
  return args;
}

}  // namespace kestro::platform
