#include <windows.h>

#include "common/cmdline.h"
#include "common/paths.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

class Win32Mutex final : public NamedMutex {
 public:
  explicit Win32Mutex(HANDLE handle) : handle_(handle) {}
  ~Win32Mutex() override {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  Win32Mutex(const Win32Mutex&) = delete;
  Win32Mutex& operator=(const Win32Mutex&) = delete;

 private:
  HANDLE handle_;
};

class Win32System final : public System {
 public:
  std::vector<std::string> Arguments() override {
    std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
    if (args.empty()) args.emplace_back();
    args[0] = ProgramPath();
    return args;
  }

  std::string ProgramPath() override {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, n);
  }

  std::string TempFolder() override {
    char buffer[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(MAX_PATH, buffer);
    return IncludeTrailingSeparator(std::string(buffer, n > MAX_PATH ? 0 : n));
  }

  std::string SystemFolder() override {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    return IncludeTrailingSeparator(std::string(buffer, n > MAX_PATH ? 0 : n));
  }

  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::string& name, bool* alreadyExisted) override {
    HANDLE h = CreateMutexA(nullptr, FALSE, name.c_str());
    *alreadyExisted = h != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    if (*alreadyExisted) {
      CloseHandle(h);
      h = nullptr;
    }
    return std::make_unique<Win32Mutex>(h);
  }

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
    UINT flags = MB_OK | MB_TASKMODAL;
    if (icon == MessageIcon::kError) flags |= MB_ICONSTOP;
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
  }

  WindowHandle ForegroundWindow() override {
    return reinterpret_cast<WindowHandle>(GetForegroundWindow());
  }

  void SetForegroundWindow(WindowHandle window) override {
    ::SetForegroundWindow(reinterpret_cast<HWND>(window));
  }

  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  void SetBusyCursor(bool busy) override {
    if (busy) {
      previousCursor_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    } else {
      SetCursor(previousCursor_);
      previousCursor_ = nullptr;
    }
  }

  // Windows starts a screensaver with its own switches only.
  bool HackConventions() override { return false; }
  std::optional<std::string> Environment(const std::string& name) override {
    const DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::string value(n, '\0');
    const DWORD got = GetEnvironmentVariableA(name.c_str(), value.data(), n);
    value.resize(got < n ? got : 0);
    return value;
  }

 private:
  HCURSOR previousCursor_ = nullptr;
};

}  // namespace

std::unique_ptr<System> CreateNativeSystem() { return std::make_unique<Win32System>(); }

}  // namespace kestro::platform
