#include <windows.h>

#include <exception>
#include <map>
#include <string>

#include "platform/api/dialog.h"
#include "platform/api/surface.h"
#include "platform/native.h"
#include "platform/win32/dialog_win32.h"

namespace kestro::platform {

namespace {

constexpr char kWindowClass[] = "KestroWindow";
constexpr char kHiddenClass[] = "KestroApplication";
constexpr UINT kSyncMessage = WM_APP + 0x4B;

std::string SystemLibraryPath(const char* name) {
  char folder[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryA(folder, 260);
  std::string path(folder, n > MAX_PATH ? 0 : n);
  if (path.empty() || path.back() != '\\') path.push_back('\\');
  return path + name;
}

class Win32WindowSystem;

class Win32Window final : public Window {
  friend class Win32WindowSystem;

 public:
  Win32Window(Win32WindowSystem& owner, const WindowParams& params);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  TRect Bounds() const override;
  void SetBounds(const TRect& bounds) override;
  std::int32_t ClientWidth() const override { return surface_.Width(); }
  std::int32_t ClientHeight() const override { return surface_.Height(); }
  void SetStyle(WindowStyle style) override;
  void Show() override;
  void Hide() override { ShowWindow(hwnd_, SW_HIDE); }
  bool Visible() const override { return IsWindowVisible(hwnd_) != 0; }
  void Maximize() override;
  void Invalidate(const TRect& rect) override;
  void InvalidateAll() override { InvalidateRect(hwnd_, nullptr, FALSE); }
  void Update() override { UpdateWindow(hwnd_); }
  ConstPixels Surface() const override { return surface_.View(); }
  void Close() override;

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  DWORD StyleBits() const;
  void SyncSurfaceSize();
  void Paint();

  Win32WindowSystem& owner_;
  HWND hwnd_ = nullptr;
  WindowStyle style_;
  bool child_;
  std::uint32_t color_;
  bool closed_ = false;
  platform::Surface surface_;
};

class Win32Timer final : public Timer {
 public:
  Win32Timer(Win32WindowSystem& owner, std::function<void()> onTimer);
  ~Win32Timer() override;
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  void SetInterval(std::uint32_t milliseconds) override {
    interval_ = milliseconds;
    Apply();
  }
  std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Apply();
  }
  bool Enabled() const override { return enabled_; }
  void Fire() {
    if (onTimer_) onTimer_();
  }

 private:
  void Apply();

  Win32WindowSystem& owner_;
  std::function<void()> onTimer_;
  UINT_PTR id_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
  bool armed_ = false;
};

class Win32WindowSystem final : public WindowSystem, public EventLoop {
 public:
  Win32WindowSystem() : mainThread_(GetCurrentThreadId()) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Win32WindowSystem::HiddenProc;
    wc.hInstance = instance;
    wc.lpszClassName = kHiddenClass;
    RegisterClassA(&wc);
    WNDCLASSA win{};
    win.style = CS_DBLCLKS;
    win.lpfnWndProc = &Win32WindowSystem::WindowProc;
    win.hInstance = instance;
    win.hCursor = LoadCursor(nullptr, IDC_ARROW);
    win.lpszClassName = kWindowClass;
    RegisterClassA(&win);
    // The application's own hidden window: it owns the top-level windows
    // (so they have no taskbar button of their own), receives the timers
    // and serves the synchronous calls of worker threads.
    hidden_ = CreateWindowExA(WS_EX_TOOLWINDOW, kHiddenClass, "Kestro", WS_POPUP, 0, 0, 0, 0, nullptr,
                              nullptr, instance, nullptr);
    SetWindowLongPtrA(hidden_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Win32WindowSystem() override {
    if (hidden_ != nullptr) DestroyWindow(hidden_);
  }

  HWND Hidden() const { return hidden_; }
  UINT_PTR AddTimer(Win32Timer* timer) {
    timers_[nextTimer_] = timer;
    return nextTimer_++;
  }
  void RemoveTimer(UINT_PTR id) {
    KillTimer(hidden_, id);
    timers_.erase(id);
  }
  bool Filter(const InputMessage& message) { return filter_ && filter_(message); }

  // --- WindowSystem
  EventLoop& Loop() override { return *this; }
  std::unique_ptr<Timer> NewTimer(std::function<void()> onTimer) override {
    return std::make_unique<Win32Timer>(*this, std::move(onTimer));
  }
  std::unique_ptr<Window> NewWindow(const WindowParams& params) override {
    return std::make_unique<Win32Window>(*this, params);
  }
  std::unique_ptr<DialogView> NewDialog(const DialogLayout& layout) override { return CreateWin32Dialog(layout); }
  WindowHandle DesktopWindow() override { return reinterpret_cast<WindowHandle>(GetDesktopWindow()); }
  std::vector<TRect> Monitors() override {
    std::vector<TRect> result;
    EnumDisplayMonitors(nullptr, nullptr, &Win32WindowSystem::AddMonitor, reinterpret_cast<LPARAM>(&result));
    return result;
  }
  std::optional<TRect> WindowRect(WindowHandle window) override {
    RECT r{};
    if (!GetWindowRect(reinterpret_cast<HWND>(window), &r)) return std::nullopt;
    return TRect{r.left, r.top, r.right, r.bottom};
  }
  void SetTopmost(WindowHandle window, bool on) override {
    SetWindowPos(reinterpret_cast<HWND>(window), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  int ShowCursor(bool show) override { return ::ShowCursor(show ? TRUE : FALSE); }
  void SetScreenSaverRunning(bool running) override {
    UINT scratch = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &scratch, 0);
  }
  std::optional<bool> CallVerifyScreenSavePassword(WindowHandle window) override {
    HMODULE library = LoadLibraryA(SystemLibraryPath("PASSWORD.CPL").c_str());
    if (library == nullptr) return std::nullopt;
    using Verify = BOOL(WINAPI*)(HWND);
    auto verify = reinterpret_cast<Verify>(reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    std::optional<bool> answer;
    if (verify != nullptr) answer = (verify(reinterpret_cast<HWND>(window)) & 0xFF) != 0;
    FreeLibrary(library);
    return answer;
  }
  std::optional<std::int32_t> CallChangeScreenSavePassword(WindowHandle owner) override {
    HMODULE library = LoadLibraryA(SystemLibraryPath("MPR.DLL").c_str());
    if (library == nullptr) return std::nullopt;
    using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    auto change =
        reinterpret_cast<Change>(reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    std::optional<std::int32_t> result;
    if (change != nullptr) {
      result = static_cast<std::int32_t>(change("SCRSAVE", reinterpret_cast<HWND>(owner), 0, nullptr));
    }
    FreeLibrary(library);
    return result;
  }

  // --- EventLoop
  void Run() override {
    quit_ = false;
    MSG msg;
    while (!quit_) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0 || got == -1) {
        quit_ = true;
        break;
      }
      Dispatch(msg);
    }
  }
  void Quit() override {
    quit_ = true;
    PostQuitMessage(0);
  }
  bool QuitRequested() const override { return quit_; }
  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit_ = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      Dispatch(msg);
    }
  }
  void Synchronize(const std::function<void()>& call) override {
    if (IsMainThread()) {
      call();
      return;
    }
    SyncCall sync{&call, nullptr};
    // A sent message is served by the main thread the next time it takes
    // messages (or waits for a worker); this thread blocks until then.
    SendMessageA(hidden_, kSyncMessage, 0, reinterpret_cast<LPARAM>(&sync));
    if (sync.error) std::rethrow_exception(sync.error);
  }
  bool IsMainThread() const override { return GetCurrentThreadId() == mainThread_; }
  void SetMessageFilter(std::function<bool(const InputMessage&)> filter) override { filter_ = std::move(filter); }
  // Windows asks a program to end by ending the session.
  void SetTerminateHandler(std::function<void()> handler) override { terminate_ = std::move(handler); }

 private:
  struct SyncCall {
    const std::function<void()>* call;
    std::exception_ptr error;
  };

  void Dispatch(MSG& msg) {
    const InputMessage message{reinterpret_cast<WindowHandle>(msg.hwnd), msg.message,
                               static_cast<std::uintptr_t>(msg.wParam), static_cast<std::intptr_t>(msg.lParam)};
    if (Filter(message)) return;
    if (Win32DialogMessage(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }

  static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
      auto* list = reinterpret_cast<std::vector<TRect>*>(data);
      const TRect r{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
      if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0) {
        list->insert(list->begin(), r);  // the primary monitor first
      } else {
        list->push_back(r);
      }
    }
    return TRUE;
  }

  static LRESULT CALLBACK HiddenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32WindowSystem*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
      if (message == kSyncMessage) {
        auto* sync = reinterpret_cast<SyncCall*>(lParam);
        try {
          (*sync->call)();
        } catch (...) {
          sync->error = std::current_exception();
        }
        return 0;
      }
      if (message == WM_ENDSESSION && wParam != 0) {
        // The session ends: the main window closes the way it always does.
        try {
          if (self->terminate_) self->terminate_();
        } catch (...) {
        }
        if (!self->quit_) self->Quit();
        return 0;
      }
      if (message == WM_TIMER) {
        const auto timer = self->timers_.find(static_cast<UINT_PTR>(wParam));
        if (timer != self->timers_.end()) {
          try {
            timer->second->Fire();
          } catch (...) {
          }
        }
        return 0;
      }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      // Messages arrive before CreateWindowEx returns the handle.
      static_cast<Win32Window*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (window != nullptr) return window->OnMessage(message, wParam, lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  friend class Win32Window;
  DWORD mainThread_;
  HWND hidden_ = nullptr;
  bool quit_ = false;
  std::function<bool(const InputMessage&)> filter_;
  std::function<void()> terminate_;
  std::map<UINT_PTR, Win32Timer*> timers_;
  UINT_PTR nextTimer_ = 1;
};

// ---------------------------------------------------------------- timers

Win32Timer::Win32Timer(Win32WindowSystem& owner, std::function<void()> onTimer)
    : owner_(owner), onTimer_(std::move(onTimer)), id_(owner.AddTimer(this)) {}

Win32Timer::~Win32Timer() { owner_.RemoveTimer(id_); }

void Win32Timer::Apply() {
  if (enabled_ && interval_ > 0) {
    SetTimer(owner_.Hidden(), id_, interval_, nullptr);  // (re)starts the period
    armed_ = true;
  } else if (armed_) {
    KillTimer(owner_.Hidden(), id_);
    armed_ = false;
  }
}

// ---------------------------------------------------------------- windows

// Drawing straight into a foreign window (drawIntoParent) is the X11 hack
// convention; here a child window covering the parent takes its place.
Win32Window::Win32Window(Win32WindowSystem& owner, const WindowParams& params)
    : owner_(owner), style_(params.style), child_(params.parent != 0), color_(params.color) {
  HWND parent = child_ ? reinterpret_cast<HWND>(params.parent) : owner_.Hidden();
  hwnd_ = CreateWindowExA(0, kWindowClass, params.title.c_str(), StyleBits(), params.bounds.Left, params.bounds.Top,
                          params.bounds.Width(), params.bounds.Height(), parent, nullptr,
                          GetModuleHandleA(nullptr), this);
  SyncSurfaceSize();
}

Win32Window::~Win32Window() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

DWORD Win32Window::StyleBits() const {
  DWORD bits = style_ == WindowStyle::kFramed ? WS_OVERLAPPEDWINDOW : WS_POPUP;
  if (child_) bits = (bits & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD;
  return bits | WS_CLIPCHILDREN;
}

TRect Win32Window::Bounds() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  if (child_) {
    // Child windows are placed in their parent's client coordinates.
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  }
  return {r.left, r.top, r.right, r.bottom};
}

void Win32Window::SetBounds(const TRect& bounds) {
  SetWindowPos(hwnd_, nullptr, bounds.Left, bounds.Top, bounds.Width(), bounds.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  SyncSurfaceSize();
}

void Win32Window::SetStyle(WindowStyle style) {
  style_ = style;
  SetWindowLongPtrA(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(StyleBits() | (Visible() ? WS_VISIBLE : 0)));
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  SyncSurfaceSize();
}

void Win32Window::Show() {
  ShowWindow(hwnd_, SW_SHOW);
  if (!child_) {
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
  }
}

void Win32Window::Maximize() {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &info)) {
    const RECT& m = info.rcMonitor;
    SetBounds({m.left, m.top, m.right, m.bottom});
  }
}

void Win32Window::Invalidate(const TRect& rect) {
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  InvalidateRect(hwnd_, &r, FALSE);
}

void Win32Window::Close() {
  if (closed_) return;
  closed_ = true;
  if (onClose) onClose();
  ShowWindow(hwnd_, SW_HIDE);
}

void Win32Window::SyncSurfaceSize() {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const bool changed = client.right != surface_.Width() || client.bottom != surface_.Height();
  surface_.Resize(client.right, client.bottom, color_);
  if (changed && onResize) onResize();
}

void Win32Window::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const TRect area{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
  SurfacePaintContext context(surface_, area);
  context.FillRect(area, color_);
  try {
    if (onPaint) onPaint(context);
  } catch (...) {
  }
  const TRect shown = context.InvalidRect();
  if (!shown.IsEmpty()) {
    // The band of rows to show, described as a DIB of its own, so that the
    // copy is the whole image and no row-order question arises.
    const ConstPixels view = surface_.View();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = surface_.Width();
    info.bmiHeader.biHeight = -shown.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, shown.Left, shown.Top, shown.Width(), shown.Height(), shown.Left, 0, 0,
                      static_cast<UINT>(shown.Height()), view.data + shown.Top * view.stride, &info, DIB_RGB_COLORS);
  }
  EndPaint(hwnd_, &ps);
}

LRESULT Win32Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painting covers the whole area itself
    case WM_SIZE:
      SyncSurfaceSize();
      InvalidateRect(hwnd_, nullptr, FALSE);
      break;
    case WM_CLOSE:
      if (!onCloseQuery || onCloseQuery()) Close();
      return 0;
    case WM_SYSCOMMAND: {
      // A request sent straight to the window (not posted) still passes the
      // application's filter.
      const InputMessage sent{reinterpret_cast<WindowHandle>(hwnd_), message, static_cast<std::uintptr_t>(wParam),
                              static_cast<std::intptr_t>(lParam)};
      if (InSendMessage() && owner_.Filter(sent)) return 0;
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<WindowSystem> CreateNativeWindowSystem() { return std::make_unique<Win32WindowSystem>(); }

}  // namespace kestro::platform
