#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/api/system.h"

namespace kestro::platform {

// Process services for tests: every value is set by the test, message boxes
// are recorded instead of shown, and named locks live in this process only.
class HeadlessSystem final : public System {
 public:
  struct Message {
    std::string text;
    std::string caption;
  };

  std::vector<std::string> arguments{"kestro-saver"};
  std::string tempFolder;
  std::string systemFolder;
  WindowHandle foreground = 0;
  std::vector<Message> messages;
  int processMessagesCalls = 0;
  int busyCursorDepth = 0;
  bool hackConventions = false;
  std::map<std::string, std::string> environment;

  std::vector<std::string> Arguments() override { return arguments; }
  std::string ProgramPath() override { return arguments.empty() ? std::string() : arguments[0]; }
  std::string TempFolder() override { return tempFolder; }
  std::string SystemFolder() override { return systemFolder; }
  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, bool* alreadyExisted) override;
  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon) override {
    messages.push_back({text, caption});
  }
  WindowHandle ForegroundWindow() override { return foreground; }
  void SetForegroundWindow(WindowHandle window) override { foreground = window; }
  void ProcessMessages() override { ++processMessagesCalls; }
  void SetBusyCursor(bool busy) override { busyCursorDepth += busy ? 1 : -1; }
  bool HackConventions() override { return hackConventions; }
  std::optional<std::string> Environment(const std::string& name) override {
    const auto value = environment.find(name);
    if (value == environment.end()) return std::nullopt;
    return value->second;
  }

 private:
  friend class HeadlessMutex;
  std::map<std::string, int> holders_;
};

}  // namespace kestro::platform
