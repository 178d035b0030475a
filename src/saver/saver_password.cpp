#include "saver/saver_password.h"

#include <optional>
#include <string>

#include "common/startup_values.h"
#include "common/intparse.h"
#include "payload/payload.h"
#include "platform/api/ui.h"
#include "platform/api/user_store.h"

namespace kestro {

namespace {

// The value read as an integer: a 32-bit value as it is, text (the usual
// form on Windows, "0" or "1") as the number it spells. Nothing when the
// value is missing or holds something that is not a number.
std::optional<std::int64_t> ReadInteger(platform::UserKey& key, const std::string& name) {
  const platform::DwordValue dword = key.ReadDword(name);
  if (dword.state == platform::ValueState::kOk) return dword.value;
  if (dword.state == platform::ValueState::kMissing) return std::nullopt;
  const std::optional<std::string> text = key.ReadString(name);
  if (!text) return std::nullopt;
  std::string trimmed = *text;
  while (!trimmed.empty() && static_cast<unsigned char>(trimmed.back()) <= ' ') trimmed.pop_back();
  const std::optional<std::int32_t> number = ParseInteger(trimmed);
  if (!number) return std::nullopt;
  return *number;
}

// Shows the cursor for as long as it lives.
class CursorShown {
 public:
  explicit CursorShown(bool active) : active_(active) {
    if (active_) platform::UI().ShowCursor(true);
  }
  ~CursorShown() {
    if (active_) platform::UI().ShowCursor(false);
  }
  CursorShown(const CursorShown&) = delete;
  CursorShown& operator=(const CursorShown&) = delete;

 private:
  bool active_;
};

}  // namespace

platform::WindowHandle ShowHostWindow() { return RunAsExe ? 0 : ParentWindow; }

bool VerifySaverPassword(platform::WindowHandle Window, bool ManageCursor) {
  try {
    const std::unique_ptr<platform::UserKey> key = platform::UserSettingsStore().OpenKey(kDesktopKey, false);
    if (key == nullptr) return true;
    const std::optional<std::int64_t> usePassword = ReadInteger(*key, kUsePasswordValue);
    if (!usePassword || *usePassword == 0) return true;
    const CursorShown cursor(ManageCursor);
    const std::optional<bool> right = platform::UI().CallVerifyScreenSavePassword(Window);
    return !right || *right;
  } catch (...) {
    return true;
  }
}

void SetSaverRunning(bool Ending, bool ManageCursor) {
  if (Ending || ShowHostWindow() != 0) {
    platform::UI().SetScreenSaverRunning(false);
    if (ManageCursor) platform::UI().ShowCursor(true);
  } else {
    platform::UI().SetScreenSaverRunning(true);
    if (ManageCursor) platform::UI().ShowCursor(false);
  }
}

std::int32_t ChangeSaverPassword() {
  std::int32_t result = -1;
  try {
    if (const std::optional<std::int32_t> answer = platform::UI().CallChangeScreenSavePassword(ParentWindow)) {
      result = *answer;
    }
  } catch (...) {
  }
  return result;
}

void SetTopmost(platform::WindowHandle Window, bool On) { platform::UI().SetTopmost(Window, On); }

std::int32_t TotalMonitorWidth() {
  std::int32_t total = 0;
  for (const TRect& monitor : platform::UI().Monitors()) total += monitor.Width();
  return total;
}

}  // namespace kestro
