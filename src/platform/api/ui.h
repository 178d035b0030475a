#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "platform/api/types.h"

namespace kestro::platform {

class DialogView;
struct DialogLayout;

// Messages the application-wide filter sees, numbered as the Windows
// messages they are (every backend speaks this vocabulary).
enum : std::uint32_t {
  kWmKeyDown = 0x0100,
  kWmKeyUp = 0x0101,
  kWmSysKeyDown = 0x0104,
  kWmSysKeyUp = 0x0105,
  kWmSysCommand = 0x0112,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmRButtonDown = 0x0204,
  kWmRButtonUp = 0x0205,
  kWmMButtonDown = 0x0207,
  kWmMButtonUp = 0x0208,
};
inline constexpr std::uintptr_t kScScreenSave = 0xF140;
inline constexpr std::uintptr_t kVkEscape = 27;

struct InputMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// 24-bit pixels, blue-green-red, rows top-down `stride` bytes apart.
struct ConstPixels {
  const std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t stride = 0;
};
struct Pixels {
  std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::ptrdiff_t stride = 0;
  operator ConstPixels() const { return {data, width, height, stride}; }
};

// The main thread's event loop.
class EventLoop {
 public:
  virtual ~EventLoop() = default;
  // Serves messages until Quit is called.
  virtual void Run() = 0;
  virtual void Quit() = 0;
  virtual bool QuitRequested() const = 0;
  // Serves the pending messages once, then returns.
  virtual void ProcessMessages() = 0;
  // Runs `call` on the main thread and returns when it has run. From the
  // main thread it runs at once.
  virtual void Synchronize(const std::function<void()>& call) = 0;
  virtual bool IsMainThread() const = 0;
  // The application-wide filter: sees every input message taken from the
  // queue, for any window, before it is dispatched; returning true keeps the
  // message from being dispatched.
  virtual void SetMessageFilter(std::function<bool(const InputMessage&)> filter) = 0;
  // What runs, on the main thread from the loop, when the system asks the
  // program to end (SIGTERM, SIGINT or SIGHUP where there are signals; the
  // end of the session on Windows): the main window closes the way it
  // always does, so the run ends cleanly. Then the loop quits, with or
  // without a handler.
  virtual void SetTerminateHandler(std::function<void()> handler) = 0;
};

// A timer firing on the main thread. An interval of 0 never fires.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetInterval(std::uint32_t milliseconds) = 0;
  virtual std::uint32_t Interval() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

// What a window's paint handler draws with: the area to repaint, and the
// window's surface, composed offscreen and shown in one piece afterwards.
class PaintContext {
 public:
  virtual ~PaintContext() = default;
  virtual TRect InvalidRect() const = 0;
  virtual void FillRect(const TRect& rect, std::uint32_t color) = 0;  // color as 0x00BBGGRR
  // Draws pixels at (x, y); with a transparent colour, pixels of that colour
  // are left out and the surface below shows through.
  virtual void Draw(const ConstPixels& pixels, std::int32_t x, std::int32_t y,
                    std::optional<std::uint32_t> transparentColor) = 0;
};

enum class WindowStyle {
  kBorderless,  // no frame, no caption
  kFramed,      // a normal frame with a caption
};

struct WindowParams {
  std::string title;
  WindowStyle style = WindowStyle::kBorderless;
  // A foreign window to live in as a child; 0 for a top-level window.
  WindowHandle parent = 0;
  // Draw straight into `parent` instead of a child window of it (a window
  // another program made for the show, or the desktop): it stays that
  // program's, so this window never moves, resizes, maps or destroys it, and
  // its size is the parent's. Where the window system cannot, a child
  // covering the parent takes its place.
  bool drawIntoParent = false;
  TRect bounds{0, 0, 640, 480};  // outer bounds (with the frame)
  std::uint32_t color = 0;       // background, 0x00BBGGRR
};

class Window {
 public:
  virtual ~Window() = default;

  virtual WindowHandle Handle() const = 0;
  virtual TRect Bounds() const = 0;  // outer, in the parent's (or screen) coordinates
  virtual void SetBounds(const TRect& bounds) = 0;
  virtual std::int32_t ClientWidth() const = 0;
  virtual std::int32_t ClientHeight() const = 0;
  virtual void SetStyle(WindowStyle style) = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Makes the window cover the monitor it is on.
  virtual void Maximize() = 0;

  // Marks an area for repainting, without erasing it first.
  virtual void Invalidate(const TRect& rect) = 0;
  virtual void InvalidateAll() = 0;
  // Paints the invalid area now.
  virtual void Update() = 0;
  // What the window shows now (its composed surface), for copies and tests.
  virtual ConstPixels Surface() const = 0;
  // Closes the window: onClose runs, then the window is hidden for good.
  virtual void Close() = 0;

  std::function<void(PaintContext&)> onPaint;
  std::function<void()> onResize;
  std::function<void()> onClose;
  // Asked when the system or the user asks the window to close (its close
  // box, Alt+F4, another program's close request); false keeps it open.
  // Close() itself does not ask.
  std::function<bool()> onCloseQuery;
};

// Windows, monitors, the cursor and the screensaver services.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual EventLoop& Loop() = 0;
  virtual std::unique_ptr<Timer> NewTimer(std::function<void()> onTimer) = 0;
  virtual std::unique_ptr<Window> NewWindow(const WindowParams& params) = 0;
  // A dialog of the platform's own controls (platform/api/dialog.h), hidden
  // until shown; nullptr where this window system has no dialog view.
  virtual std::unique_ptr<DialogView> NewDialog(const DialogLayout& layout) = 0;

  // Monitor rectangles in desktop coordinates, the primary one first.
  virtual std::vector<TRect> Monitors() = 0;
  // The window that is the desktop (the root window of X11).
  virtual WindowHandle DesktopWindow() = 0;
  // Outer rectangle of any window (a host given on the command line).
  virtual std::optional<TRect> WindowRect(WindowHandle window) = 0;
  virtual void SetTopmost(WindowHandle window, bool on) = 0;
  // The cursor display counter: shown while it is 0 or above. Returns the new count.
  virtual int ShowCursor(bool show) = 0;
  // Tells the system whether a screensaver runs.
  virtual void SetScreenSaverRunning(bool running) = 0;
  // The system's screensaver password library: asks for the password with
  // `window` as owner and answers whether it was right; nothing when the
  // library or its entry point is missing.
  virtual std::optional<bool> CallVerifyScreenSavePassword(WindowHandle window) = 0;
  // The system's password-change request for screensavers, owned by `owner`;
  // its result, or nothing when the library or its entry point is missing.
  virtual std::optional<std::int32_t> CallChangeScreenSavePassword(WindowHandle owner) = 0;
};

WindowSystem& UI();
// Installs a window system (tests install the headless one); nullptr restores the native one.
void InstallWindowSystem(WindowSystem* system);
// Whether there is a window system at all (none on Linux without a display).
bool HasWindowSystem();

}  // namespace kestro::platform
