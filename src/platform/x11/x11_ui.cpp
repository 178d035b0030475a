// The X11 window system: windows, the event loop with its timers and the
// synchronous hand-off from worker threads, the application-wide input
// filter, monitors (RandR, else Xinerama), full-screen and topmost windows
// (EWMH with a window manager, override-redirect without one), cursor
// hiding, and presenting each window's composed surface through the shared
// memory extension where the server has it, XPutImage otherwise.
//
// Every X call happens on the main thread. Worker threads and signal
// handlers only write a byte into the loop's wake-up pipe.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>

#include "platform/api/dialog.h"
#include "platform/api/surface.h"
#include "platform/native.h"
#include "platform/x11/dialog_gtk.h"
#include "platform/x11/loop_sources.h"
#include "platform/x11/pixel_format.h"
#include "platform/x11/rules.h"

namespace kestro::platform {

namespace x11 {

namespace {
std::vector<LoopSource*>& Sources() {
  static std::vector<LoopSource*> sources;
  return sources;
}
}  // namespace

void AddLoopSource(LoopSource* source) { Sources().push_back(source); }
void RemoveLoopSource(LoopSource* source) {
  auto& list = Sources();
  list.erase(std::remove(list.begin(), list.end(), source), list.end());
}

}  // namespace x11

namespace {

using Clock = std::chrono::steady_clock;

// The write end of the loop's wake-up pipe, for worker threads and signals.
std::atomic<int> wakeFd{-1};
std::atomic<bool> terminateRequested{false};

void Wake() {
  const int fd = wakeFd.load();
  if (fd >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
  }
}

void OnTerminateSignal(int) {
  terminateRequested = true;
  Wake();
}

// Protocol errors (a foreign window that went away, a shared memory segment
// the server cannot attach) are recorded, never fatal.
int lastXError = 0;
int OnXError(Display*, XErrorEvent* event) {
  lastXError = event->error_code;
  return 0;
}

// Catches the errors of the requests made while it lives.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    lastXError = 0;
  }
  bool Failed() {
    XSync(display_, False);
    return lastXError != 0;
  }

 private:
  Display* display_;
};

std::uint64_t NowMs() {
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

std::intptr_t PointParam(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | (x & 0xFFFF));
}

class X11WindowSystem;

// ---------------------------------------------------------------- presenting

// An image of a window's size in the window's visual, in shared memory
// when the server takes it.
class Presenter {
 public:
  Presenter(Display* display, Visual* visual, int depth, bool shmAvailable, int width, int height);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  bool Matches(int width, int height) const { return image_ != nullptr && width_ == width && height_ == height; }
  // Shows `area` of the surface in the drawable.
  void Present(Drawable drawable, GC gc, const ConstPixels& surface, const TRect& area);

 private:
  Display* display_;
  XImage* image_ = nullptr;
  XShmSegmentInfo shm_{};
  bool usesShm_ = false;
  int width_;
  int height_;
  x11::PixelFormat format_;
};

Presenter::Presenter(Display* display, Visual* visual, int depth, bool shmAvailable, int width, int height)
    : display_(display), width_(width), height_(height) {
  if (width <= 0 || height <= 0) return;
  if (shmAvailable) {
    image_ = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &shm_,
                             static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image_ != nullptr) {
      shm_.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
      if (shm_.shmid >= 0) {
        shm_.shmaddr = static_cast<char*>(shmat(shm_.shmid, nullptr, 0));
        if (shm_.shmaddr != reinterpret_cast<char*>(-1)) {
          image_->data = shm_.shmaddr;
          shm_.readOnly = False;
          ErrorTrap trap(display_);
          const bool attached = XShmAttach(display_, &shm_) != 0;
          usesShm_ = attached && !trap.Failed();
        }
        // Freed once both sides have let go of it.
        shmctl(shm_.shmid, IPC_RMID, nullptr);
      }
      if (!usesShm_) {
        // A remote display, or one without the segment: plain images.
        if (shm_.shmaddr != nullptr && shm_.shmaddr != reinterpret_cast<char*>(-1)) shmdt(shm_.shmaddr);
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
        shm_ = {};
      }
    }
  }
  if (image_ == nullptr) {
    const int pad = depth > 16 ? 32 : (depth > 8 ? 16 : 8);
    image_ = XCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                          static_cast<unsigned>(width), static_cast<unsigned>(height), pad, 0);
    if (image_ == nullptr) return;
    image_->data = static_cast<char*>(std::calloc(static_cast<std::size_t>(image_->bytes_per_line), height));
    if (image_->data == nullptr) {
      XDestroyImage(image_);
      image_ = nullptr;
      return;
    }
  }
  format_.bitsPerPixel = image_->bits_per_pixel;
  format_.msbFirst = image_->byte_order == MSBFirst;
  format_.redMask = static_cast<std::uint32_t>(visual->red_mask);
  format_.greenMask = static_cast<std::uint32_t>(visual->green_mask);
  format_.blueMask = static_cast<std::uint32_t>(visual->blue_mask);
}

Presenter::~Presenter() {
  if (image_ == nullptr) return;
  if (usesShm_) {
    XShmDetach(display_, &shm_);
    XSync(display_, False);
    shmdt(shm_.shmaddr);
    image_->data = nullptr;
  }
  XDestroyImage(image_);  // frees the plain image's pixels too
}

void Presenter::Present(Drawable drawable, GC gc, const ConstPixels& surface, const TRect& area) {
  const TRect a = area.Intersect(RectOfSize(std::min(width_, surface.width), std::min(height_, surface.height)));
  if (image_ == nullptr || a.IsEmpty() || !format_.Supported()) return;
  x11::ConvertArea(surface, a, reinterpret_cast<std::uint8_t*>(image_->data), image_->bytes_per_line, format_);
  if (usesShm_) {
    XShmPutImage(display_, drawable, gc, image_, a.Left, a.Top, a.Left, a.Top, static_cast<unsigned>(a.Width()),
                 static_cast<unsigned>(a.Height()), False);
    // The next frame writes into the same memory: the server must be done.
    XSync(display_, False);
  } else {
    XPutImage(display_, drawable, gc, image_, a.Left, a.Top, a.Left, a.Top, static_cast<unsigned>(a.Width()),
              static_cast<unsigned>(a.Height()));
    XFlush(display_);
  }
}

// ---------------------------------------------------------------- windows

class X11Window final : public Window {
 public:
  X11Window(X11WindowSystem& owner, const WindowParams& params);
  ~X11Window() override;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  WindowHandle Handle() const override { return static_cast<WindowHandle>(xid_); }
  TRect Bounds() const override { return bounds_; }
  void SetBounds(const TRect& bounds) override;
  std::int32_t ClientWidth() const override { return surface_.Width(); }
  std::int32_t ClientHeight() const override { return surface_.Height(); }
  void SetStyle(WindowStyle style) override;
  void Show() override;
  void Hide() override;
  bool Visible() const override { return visible_ && !closed_; }
  void Maximize() override;
  void Invalidate(const TRect& rect) override;
  void InvalidateAll() override { Invalidate(RectOfSize(surface_.Width(), surface_.Height())); }
  void Update() override;
  ConstPixels Surface() const override { return surface_.View(); }
  void Close() override;

  ::Window Xid() const { return xid_; }
  bool Foreign() const { return foreign_; }
  bool TopLevel() const { return !child_ && !foreign_; }
  bool HasInvalidArea() const { return !dirty_.IsEmpty(); }
  void RequestClose();
  void OnConfigure(const XConfigureEvent& event);
  void ApplyCursor(Cursor hidden, bool hide);
  void SetAbove(bool on);

 private:
  void ApplyStyle();
  void SetWmState(Atom state, bool on);
  void ResizeSurface(int width, int height);

  X11WindowSystem& owner_;
  Display* display_;
  ::Window xid_ = 0;
  bool foreign_;
  bool child_;
  WindowStyle style_;
  std::uint32_t color_;
  TRect bounds_;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  GC gc_ = nullptr;
  bool visible_ = false;
  bool closed_ = false;
  bool fullscreen_ = false;
  bool above_ = false;
  TRect dirty_{};
  platform::Surface surface_;
  std::unique_ptr<Presenter> presenter_;
};

// ---------------------------------------------------------------- timers

class X11Timer final : public Timer {
 public:
  X11Timer(X11WindowSystem& owner, std::function<void()> onTimer);
  ~X11Timer() override;
  X11Timer(const X11Timer&) = delete;
  X11Timer& operator=(const X11Timer&) = delete;

  void SetInterval(std::uint32_t milliseconds) override {
    interval_ = milliseconds;
    Rearm();
  }
  std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    enabled_ = enabled;
    Rearm();
  }
  bool Enabled() const override { return enabled_; }
  bool Armed() const { return enabled_ && interval_ > 0; }
  std::uint64_t Due() const { return due_; }
  void Fire() {
    due_ = NowMs() + interval_;
    if (onTimer_) onTimer_();
  }

 private:
  // Setting the interval or enabling starts the period again.
  void Rearm() { due_ = NowMs() + interval_; }

  X11WindowSystem& owner_;
  std::function<void()> onTimer_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
  std::uint64_t due_ = 0;
};

// ---------------------------------------------------------------- the system

class X11WindowSystem final : public WindowSystem, public EventLoop {
 public:
  explicit X11WindowSystem(Display* display);
  ~X11WindowSystem() override;
  X11WindowSystem(const X11WindowSystem&) = delete;
  X11WindowSystem& operator=(const X11WindowSystem&) = delete;

  Display* Dpy() const { return display_; }
  ::Window Root() const { return DefaultRootWindow(display_); }
  bool ShmAvailable() const { return shm_; }
  Atom AtomOf(const char* name) { return XInternAtom(display_, name, False); }
  // A window manager that speaks EWMH runs on the display.
  bool WindowManagerRunning();
  void Register(X11Window* window) { windows_[window->Xid()] = window; }
  void Unregister(X11Window* window) {
    const auto w = windows_.find(window->Xid());
    if (w != windows_.end() && w->second == window) windows_.erase(w);
  }
  void AddTimer(X11Timer* timer) { timers_.push_back(timer); }
  void RemoveTimer(X11Timer* timer) { timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end()); }
  Cursor HiddenCursor();
  bool CursorHidden() const { return cursorCount_ < 0; }
  // Keyboard and pointer go to the show's windows while one is topmost.
  void Grab(::Window window);
  void Ungrab();

  // --- WindowSystem
  EventLoop& Loop() override { return *this; }
  std::unique_ptr<Timer> NewTimer(std::function<void()> onTimer) override {
    return std::make_unique<X11Timer>(*this, std::move(onTimer));
  }
  std::unique_ptr<Window> NewWindow(const WindowParams& params) override {
    return std::make_unique<X11Window>(*this, params);
  }
  std::unique_ptr<DialogView> NewDialog(const DialogLayout& layout) override { return CreateGtkDialog(layout); }
  std::vector<TRect> Monitors() override;
  WindowHandle DesktopWindow() override { return static_cast<WindowHandle>(Root()); }
  std::optional<TRect> WindowRect(WindowHandle window) override;
  void SetTopmost(WindowHandle window, bool on) override;
  int ShowCursor(bool show) override;
  // X11 keeps no flag of a running screensaver: nothing to tell.
  void SetScreenSaverRunning(bool) override {}
  // There is no system screensaver password here: the show may close.
  std::optional<bool> CallVerifyScreenSavePassword(WindowHandle) override { return std::nullopt; }
  std::optional<std::int32_t> CallChangeScreenSavePassword(WindowHandle) override { return std::nullopt; }

  // --- EventLoop
  // One Quit ends one Run, also a Quit that came before it (the main
  // window closed while it was being shown), as a posted quit message does.
  void Run() override {
    while (!quitPosted_) Round(true);
    quitPosted_ = false;
  }
  void Quit() override {
    quit_ = true;
    quitPosted_ = true;
    if (!IsMainThread()) Wake();
  }
  bool QuitRequested() const override { return quit_; }
  void ProcessMessages() override { Round(false); }
  void Synchronize(const std::function<void()>& call) override;
  bool IsMainThread() const override { return std::this_thread::get_id() == mainThread_; }
  void SetMessageFilter(std::function<bool(const InputMessage&)> filter) override { filter_ = std::move(filter); }
  void SetTerminateHandler(std::function<void()> handler) override { terminate_ = std::move(handler); }

  // The main thread waits for a worker, serving its synchronous calls.
  void WaitServing(const std::function<bool()>& done);

 private:
  struct SyncCall {
    const std::function<void()>* call = nullptr;
    bool done = false;
    std::exception_ptr error;
  };

  void Round(bool wait);
  bool ServeSyncs();
  void HandleEvent(XEvent& event);
  void HandleInput(XEvent& event);
  void FireDueTimers();
  void PaintInvalidWindows();
  X11Window* Find(::Window xid) const {
    const auto w = windows_.find(xid);
    return w == windows_.end() ? nullptr : w->second;
  }

  Display* display_;
  std::thread::id mainThread_;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  bool shm_ = false;
  bool quit_ = false;        // a quit was asked for
  bool quitPosted_ = false;  // and has not ended a Run yet
  int cursorCount_ = 0;
  Cursor hiddenCursor_ = 0;
  ::Window grabbed_ = 0;
  std::function<bool(const InputMessage&)> filter_;
  std::function<void()> terminate_;
  std::map<::Window, X11Window*> windows_;
  std::vector<X11Timer*> timers_;
  std::mutex mutex_;
  std::condition_variable served_;
  std::deque<SyncCall*> syncs_;
};

X11WindowSystem* active = nullptr;

void WaitServingOnActive(const std::function<bool()>& done) {
  if (active != nullptr) active->WaitServing(done);
}

X11WindowSystem::X11WindowSystem(Display* display) : display_(display), mainThread_(std::this_thread::get_id()) {
  XSetErrorHandler(&OnXError);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    wakeFd = wakeWrite_;
  }
  shm_ = XShmQueryExtension(display_) != 0;
  // Shared memory only works with a server on this machine.
  if (const char* name = DisplayString(display_); name != nullptr && name[0] != ':' &&
                                                   std::strncmp(name, "unix:", 5) != 0) {
    shm_ = false;
  }
  struct sigaction action {};
  action.sa_handler = &OnTerminateSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
  active = this;
  InstallSyncServingWait(&WaitServingOnActive);
}

X11WindowSystem::~X11WindowSystem() {
  InstallSyncServingWait(nullptr);
  if (active == this) active = nullptr;
  wakeFd = -1;
  if (hiddenCursor_ != 0) XFreeCursor(display_, hiddenCursor_);
  if (wakeRead_ >= 0) ::close(wakeRead_);
  if (wakeWrite_ >= 0) ::close(wakeWrite_);
  XCloseDisplay(display_);
}

bool X11WindowSystem::WindowManagerRunning() {
  const Atom check = AtomOf("_NET_SUPPORTING_WM_CHECK");
  auto readWindow = [&](::Window on) -> ::Window {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ::Window result = 0;
    if (XGetWindowProperty(display_, on, check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr) {
      if (type == XA_WINDOW && format == 32 && count == 1) result = *reinterpret_cast<::Window*>(data);
      XFree(data);
    }
    return result;
  };
  const ::Window wm = readWindow(Root());
  if (wm == 0) return false;
  ErrorTrap trap(display_);
  const ::Window self = readWindow(wm);  // a stale property names a window that is gone
  return !trap.Failed() && self == wm;
}

Cursor X11WindowSystem::HiddenCursor() {
  if (hiddenCursor_ == 0) {
    static const char blank[1] = {0};
    Pixmap pixmap = XCreateBitmapFromData(display_, Root(), blank, 1, 1);
    XColor black{};
    hiddenCursor_ = XCreatePixmapCursor(display_, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display_, pixmap);
  }
  return hiddenCursor_;
}

void X11WindowSystem::Grab(::Window window) {
  const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int keyboard = XGrabKeyboard(display_, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    const int pointer = XGrabPointer(display_, window, True, mask, GrabModeAsync, GrabModeAsync, None,
                                     CursorHidden() ? HiddenCursor() : None, CurrentTime);
    if (keyboard == GrabSuccess && pointer == GrabSuccess) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // another client holds a grab
  }
  grabbed_ = window;
}

void X11WindowSystem::Ungrab() {
  if (grabbed_ == 0) return;
  XUngrabKeyboard(display_, CurrentTime);
  XUngrabPointer(display_, CurrentTime);
  XFlush(display_);
  grabbed_ = 0;
}

std::vector<TRect> X11WindowSystem::Monitors() {
  std::vector<x11::MonitorArea> randr;
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (XRRQueryExtension(display_, &eventBase, &errorBase) && XRRQueryVersion(display_, &major, &minor)) {
    if (major > 1 || (major == 1 && minor >= 5)) {
      int count = 0;
      if (XRRMonitorInfo* monitors = XRRGetMonitors(display_, Root(), True, &count)) {
        for (int i = 0; i < count; ++i) {
          const XRRMonitorInfo& m = monitors[i];
          randr.push_back({{m.x, m.y, m.x + m.width, m.y + m.height}, m.primary != 0});
        }
        XRRFreeMonitors(monitors);
      }
    } else if (XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display_, Root())) {
      const RROutput primary = XRRGetOutputPrimary(display_, Root());
      for (int i = 0; i < resources->noutput; ++i) {
        XRROutputInfo* output = XRRGetOutputInfo(display_, resources, resources->outputs[i]);
        if (output == nullptr) continue;
        if (output->crtc != 0) {
          if (XRRCrtcInfo* crtc = XRRGetCrtcInfo(display_, resources, output->crtc)) {
            if (crtc->mode != 0) {
              randr.push_back({{crtc->x, crtc->y, crtc->x + static_cast<int>(crtc->width),
                                crtc->y + static_cast<int>(crtc->height)},
                               resources->outputs[i] == primary});
            }
            XRRFreeCrtcInfo(crtc);
          }
        }
        XRRFreeOutputInfo(output);
      }
      XRRFreeScreenResources(resources);
    }
  }
  std::vector<x11::MonitorArea> xinerama;
  if (XineramaIsActive(display_)) {
    int count = 0;
    if (XineramaScreenInfo* screens = XineramaQueryScreens(display_, &count)) {
      for (int i = 0; i < count; ++i) {
        const XineramaScreenInfo& s = screens[i];
        xinerama.push_back({{s.x_org, s.y_org, s.x_org + s.width, s.y_org + s.height}, false});
      }
      XFree(screens);
    }
  }
  std::vector<TRect> result = x11::OrderMonitors(randr);
  // Xinerama where RandR knows fewer monitors (a server that joins its
  // screens with Xinerama reports one RandR screen, or none).
  const std::vector<TRect> joined = x11::OrderMonitors(xinerama);
  if (joined.size() > result.size()) result = joined;
  if (result.empty()) {
    const int screen = DefaultScreen(display_);
    result.push_back(RectOfSize(DisplayWidth(display_, screen), DisplayHeight(display_, screen)));
  }
  return result;
}

std::optional<TRect> X11WindowSystem::WindowRect(WindowHandle window) {
  if (window == 0) return std::nullopt;
  const auto xid = static_cast<::Window>(window);
  ErrorTrap trap(display_);
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display_, xid, &attributes) || trap.Failed()) return std::nullopt;
  int x = 0, y = 0;
  ::Window child = 0;
  XTranslateCoordinates(display_, xid, Root(), 0, 0, &x, &y, &child);
  if (trap.Failed()) return std::nullopt;
  return TRect{x, y, x + attributes.width, y + attributes.height};
}

void X11WindowSystem::SetTopmost(WindowHandle window, bool on) {
  X11Window* w = Find(static_cast<::Window>(window));
  if (w == nullptr || !w->TopLevel()) return;
  w->SetAbove(on);
  if (on) {
    Grab(w->Xid());
  } else {
    Ungrab();
  }
}

int X11WindowSystem::ShowCursor(bool show) {
  cursorCount_ += show ? 1 : -1;
  for (const auto& [xid, window] : windows_) window->ApplyCursor(HiddenCursor(), CursorHidden());
  if (grabbed_ != 0) {
    XChangeActivePointerGrab(display_, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                             CursorHidden() ? HiddenCursor() : None, CurrentTime);
  }
  XFlush(display_);
  return cursorCount_;
}

void X11WindowSystem::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  SyncCall sync;
  sync.call = &call;
  std::unique_lock<std::mutex> lock(mutex_);
  syncs_.push_back(&sync);
  Wake();
  served_.wait(lock, [&] { return sync.done; });
  if (sync.error) std::rethrow_exception(sync.error);
}

bool X11WindowSystem::ServeSyncs() {
  bool any = false;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!syncs_.empty()) {
    SyncCall* sync = syncs_.front();
    syncs_.pop_front();
    lock.unlock();
    try {
      (*sync->call)();
    } catch (...) {
      sync->error = std::current_exception();
    }
    lock.lock();
    sync->done = true;
    served_.notify_all();
    any = true;
  }
  return any;
}

void X11WindowSystem::WaitServing(const std::function<bool()>& done) {
  if (!IsMainThread()) return;
  while (!done()) {
    if (ServeSyncs()) continue;
    std::unique_lock<std::mutex> lock(mutex_);
    served_.wait_for(lock, std::chrono::milliseconds(2), [&] { return !syncs_.empty(); });
  }
}

void X11WindowSystem::Round(bool wait) {
  ServeSyncs();
  if (terminateRequested.exchange(false)) {
    try {
      if (terminate_) terminate_();
    } catch (...) {
    }
    // The program ends, whether the handler's window was still open or not.
    if (!quitPosted_) Quit();
  }
  while (!quitPosted_ && XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    HandleEvent(event);
    ServeSyncs();
  }
  FireDueTimers();
  // Paints come when nothing else waits, as on other window systems.
  if (XPending(display_) == 0) PaintInvalidWindows();
  for (x11::LoopSource* source : std::vector<x11::LoopSource*>(x11::Sources())) {
    if (wait) break;  // waiting rounds dispatch the sources after the wait
    std::vector<pollfd> fds;
    source->Prepare(fds);
    if (!fds.empty()) poll(fds.data(), fds.size(), 0);
    source->Dispatch(fds.data(), fds.size());
  }
  if (!wait || quitPosted_) return;

  int timeout = -1;
  const std::uint64_t now = NowMs();
  for (const X11Timer* timer : timers_) {
    if (!timer->Armed()) continue;
    const std::uint64_t left = timer->Due() > now ? timer->Due() - now : 0;
    if (timeout < 0 || left < static_cast<std::uint64_t>(timeout)) timeout = static_cast<int>(std::min<std::uint64_t>(left, 1u << 30));
  }
  for (const auto& [xid, window] : windows_) {
    if (window->HasInvalidArea()) timeout = 0;
  }
  std::vector<pollfd> fds{{ConnectionNumber(display_), POLLIN, 0}, {wakeRead_, POLLIN, 0}};
  std::vector<std::pair<x11::LoopSource*, std::size_t>> sourceFds;
  for (x11::LoopSource* source : x11::Sources()) {
    const std::size_t first = fds.size();
    const int limit = source->Prepare(fds);
    if (limit >= 0 && (timeout < 0 || limit < timeout)) timeout = limit;
    sourceFds.emplace_back(source, first);
  }
  XFlush(display_);
  if (XEventsQueued(display_, QueuedAlready) > 0) timeout = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!syncs_.empty()) timeout = 0;
  }
  if (terminateRequested) timeout = 0;
  poll(fds.data(), fds.size(), timeout);
  if ((fds[1].revents & POLLIN) != 0) {
    char buffer[64];
    while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
    }
  }
  for (std::size_t i = 0; i < sourceFds.size(); ++i) {
    const std::size_t first = sourceFds[i].second;
    const std::size_t end = i + 1 < sourceFds.size() ? sourceFds[i + 1].second : fds.size();
    // A source removed by an earlier one's dispatch is not called again.
    const auto& live = x11::Sources();
    if (std::find(live.begin(), live.end(), sourceFds[i].first) == live.end()) continue;
    sourceFds[i].first->Dispatch(fds.data() + first, end - first);
  }
}

void X11WindowSystem::FireDueTimers() {
  const std::vector<X11Timer*> snapshot = timers_;
  for (X11Timer* timer : snapshot) {
    // A handler may have destroyed or disarmed a later timer.
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
    if (!timer->Armed() || timer->Due() > NowMs()) continue;
    try {
      timer->Fire();
    } catch (...) {
    }
    if (quitPosted_) return;
  }
}

void X11WindowSystem::PaintInvalidWindows() {
  std::vector<X11Window*> dirty;
  for (const auto& [xid, window] : windows_) {
    if (window->HasInvalidArea()) dirty.push_back(window);
  }
  for (X11Window* window : dirty) {
    if (Find(window->Xid()) == window) window->Update();
  }
}

void X11WindowSystem::HandleEvent(XEvent& event) {
  switch (event.type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
      HandleInput(event);
      return;
    case Expose:
      if (X11Window* w = Find(event.xexpose.window)) {
        w->Invalidate({event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                       event.xexpose.y + event.xexpose.height});
      }
      return;
    case ConfigureNotify:
      if (X11Window* w = Find(event.xconfigure.window)) w->OnConfigure(event.xconfigure);
      return;
    case DestroyNotify:
      // A foreign window we draw into went away: the window closes.
      if (X11Window* w = Find(event.xdestroywindow.window); w != nullptr && w->Foreign()) {
        Unregister(w);
        w->RequestClose();
      }
      return;
    case ClientMessage:
      if (X11Window* w = Find(event.xclient.window)) {
        if (event.xclient.message_type == AtomOf("WM_PROTOCOLS") &&
            static_cast<Atom>(event.xclient.data.l[0]) == AtomOf("WM_DELETE_WINDOW")) {
          w->RequestClose();
        }
      }
      return;
    default:
      return;
  }
}

void X11WindowSystem::HandleInput(XEvent& event) {
  InputMessage message;
  switch (event.type) {
    case KeyPress:
    case KeyRelease: {
      const bool alt = (event.xkey.state & Mod1Mask) != 0;
      message.window = static_cast<WindowHandle>(event.xkey.window);
      message.message = event.type == KeyPress ? (alt ? kWmSysKeyDown : kWmKeyDown) : (alt ? kWmSysKeyUp : kWmKeyUp);
      message.wParam = x11::VirtualKeyOf(XLookupKeysym(&event.xkey, 0));
      message.lParam = 1;
      break;
    }
    case ButtonPress:
    case ButtonRelease: {
      const bool down = event.type == ButtonPress;
      message.window = static_cast<WindowHandle>(event.xbutton.window);
      message.lParam = PointParam(event.xbutton.x, event.xbutton.y);
      switch (event.xbutton.button) {
        case Button1: message.message = down ? kWmLButtonDown : kWmLButtonUp; break;
        case Button2: message.message = down ? kWmMButtonDown : kWmMButtonUp; break;
        case Button3: message.message = down ? kWmRButtonDown : kWmRButtonUp; break;
        default: return;  // the wheel: no button message
      }
      break;
    }
    case MotionNotify:
      message.window = static_cast<WindowHandle>(event.xmotion.window);
      message.message = kWmMouseMove;
      message.lParam = PointParam(event.xmotion.x, event.xmotion.y);
      break;
    default:
      return;
  }
  try {
    if (filter_) filter_(message);
  } catch (...) {
  }
}

// ---------------------------------------------------------------- timers

X11Timer::X11Timer(X11WindowSystem& owner, std::function<void()> onTimer)
    : owner_(owner), onTimer_(std::move(onTimer)) {
  owner_.AddTimer(this);
}

X11Timer::~X11Timer() { owner_.RemoveTimer(this); }

// ---------------------------------------------------------------- windows

X11Window::X11Window(X11WindowSystem& owner, const WindowParams& params)
    : owner_(owner),
      display_(owner.Dpy()),
      foreign_(params.drawIntoParent && params.parent != 0),
      child_(params.parent != 0 && !(params.drawIntoParent && params.parent != 0)),
      style_(params.style),
      color_(params.color),
      bounds_(params.bounds) {
  if (foreign_) {
    // Another program's window (or the desktop): drawn into, never changed.
    xid_ = static_cast<::Window>(params.parent);
    ErrorTrap trap(display_);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, xid_, &attributes) && !trap.Failed()) {
      visual_ = attributes.visual;
      depth_ = attributes.depth;
      bounds_ = {attributes.x, attributes.y, attributes.x + attributes.width, attributes.y + attributes.height};
      XSelectInput(display_, xid_, ExposureMask | StructureNotifyMask);
      gc_ = XCreateGC(display_, xid_, 0, nullptr);
      trap.Failed();
    }
    owner_.Register(this);
    ResizeSurface(bounds_.Width(), bounds_.Height());
    return;
  }
  const int screen = DefaultScreen(display_);
  visual_ = DefaultVisual(display_, screen);
  depth_ = DefaultDepth(display_, screen);
  const ::Window parent = child_ ? static_cast<::Window>(params.parent) : owner_.Root();
  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;  // invalidation never erases
  attributes.border_pixel = 0;
  attributes.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                          ButtonReleaseMask | PointerMotionMask;
  attributes.colormap = DefaultColormap(display_, screen);
  const unsigned width = static_cast<unsigned>(std::max(1, bounds_.Width()));
  const unsigned height = static_cast<unsigned>(std::max(1, bounds_.Height()));
  ErrorTrap trap(display_);
  xid_ = XCreateWindow(display_, parent, bounds_.Left, bounds_.Top, width, height, 0, depth_, InputOutput, visual_,
                       CWBackPixmap | CWBorderPixel | CWEventMask | CWColormap, &attributes);
  if (trap.Failed() && child_) {
    // The host is gone (or never was): an ordinary window instead.
    child_ = false;
    xid_ = XCreateWindow(display_, owner_.Root(), bounds_.Left, bounds_.Top, width, height, 0, depth_, InputOutput,
                         visual_, CWBackPixmap | CWBorderPixel | CWEventMask | CWColormap, &attributes);
  }
  gc_ = XCreateGC(display_, xid_, 0, nullptr);
  if (!child_) {
    XStoreName(display_, xid_, params.title.c_str());  // the program's texts are Latin-1 compatible ANSI
    XClassHint hint{const_cast<char*>("kestro-saver"), const_cast<char*>("Kestro")};
    XSetClassHint(display_, xid_, &hint);
    Atom protocols[] = {owner_.AtomOf("WM_DELETE_WINDOW")};
    XSetWMProtocols(display_, xid_, protocols, 1);
    ApplyStyle();
  }
  ApplyCursor(owner_.HiddenCursor(), owner_.CursorHidden());
  owner_.Register(this);
  ResizeSurface(static_cast<int>(width), static_cast<int>(height));
}

X11Window::~X11Window() {
  owner_.Unregister(this);
  presenter_.reset();
  if (gc_ != nullptr) XFreeGC(display_, gc_);
  if (!foreign_ && xid_ != 0) {
    XDestroyWindow(display_, xid_);
  } else if (foreign_ && xid_ != 0) {
    ErrorTrap trap(display_);
    XSelectInput(display_, xid_, NoEventMask);
    trap.Failed();
  }
  XFlush(display_);
}

void X11Window::ApplyStyle() {
  if (!TopLevel()) return;
  const bool managed = owner_.WindowManagerRunning();
  // Without a window manager nothing would place or stack a borderless
  // window: it goes around any manager (override-redirect).
  XSetWindowAttributes attributes{};
  attributes.override_redirect = style_ == WindowStyle::kBorderless && !managed ? True : False;
  XChangeWindowAttributes(display_, xid_, CWOverrideRedirect, &attributes);
  // No frame with a window manager: the Motif hints every manager reads.
  struct {
    unsigned long flags, functions, decorations;
    long inputMode;
    unsigned long status;
  } hints{2, 0, style_ == WindowStyle::kBorderless ? 0ul : 1ul, 0, 0};
  const Atom motif = owner_.AtomOf("_MOTIF_WM_HINTS");
  XChangeProperty(display_, xid_, motif, motif, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&hints), 5);
}

void X11Window::SetWmState(Atom state, bool on) {
  const Atom wmState = owner_.AtomOf("_NET_WM_STATE");
  if (visible_) {
    // A mapped window asks the manager.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid_;
    event.xclient.message_type = wmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD, _REMOVE
    event.xclient.data.l[1] = static_cast<long>(state);
    event.xclient.data.l[3] = 1;
    XSendEvent(display_, owner_.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    return;
  }
  // An unmapped one says it in the property the manager reads on mapping.
  std::vector<Atom> states;
  if (fullscreen_) states.push_back(owner_.AtomOf("_NET_WM_STATE_FULLSCREEN"));
  if (above_) states.push_back(owner_.AtomOf("_NET_WM_STATE_ABOVE"));
  XChangeProperty(display_, xid_, wmState, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(states.data()), static_cast<int>(states.size()));
}

void X11Window::SetAbove(bool on) {
  above_ = on;
  if (owner_.WindowManagerRunning()) SetWmState(owner_.AtomOf("_NET_WM_STATE_ABOVE"), on);
  if (on) XRaiseWindow(display_, xid_);
  XFlush(display_);
}

void X11Window::SetBounds(const TRect& bounds) {
  if (foreign_) return;  // its owner decides
  bounds_ = bounds;
  const int width = std::max(1, bounds.Width());
  const int height = std::max(1, bounds.Height());
  XMoveResizeWindow(display_, xid_, bounds.Left, bounds.Top, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XFlush(display_);
  ResizeSurface(width, height);
}

void X11Window::SetStyle(WindowStyle style) {
  if (foreign_ || style == style_) return;
  style_ = style;
  ApplyStyle();
}

void X11Window::Show() {
  if (closed_) return;
  if (foreign_) {
    if (visual_ == nullptr) {
      // The window to draw into does not exist (or is already gone).
      RequestClose();
      return;
    }
    visible_ = true;
    InvalidateAll();
    return;
  }
  if (TopLevel()) {
    XMapRaised(display_, xid_);
    // Wait until it is on the screen: grabs and focus need a viewable window.
    const std::uint64_t until = NowMs() + 1000;
    XEvent event;
    while (NowMs() < until) {
      XSync(display_, False);
      if (XCheckTypedWindowEvent(display_, xid_, MapNotify, &event)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ErrorTrap trap(display_);
    XSetInputFocus(display_, xid_, RevertToParent, CurrentTime);
    trap.Failed();
  } else {
    XMapWindow(display_, xid_);
    XFlush(display_);
  }
  visible_ = true;
  InvalidateAll();
}

void X11Window::Hide() {
  if (foreign_) {
    visible_ = false;
    return;
  }
  XUnmapWindow(display_, xid_);
  XFlush(display_);
  visible_ = false;
}

void X11Window::Maximize() {
  if (foreign_) return;
  const std::vector<TRect> monitors = owner_.Monitors();
  if (monitors.empty()) return;
  TRect target = monitors.front();
  const std::int32_t cx = bounds_.Left + bounds_.Width() / 2;
  const std::int32_t cy = bounds_.Top + bounds_.Height() / 2;
  for (const TRect& m : monitors) {
    if (cx >= m.Left && cx < m.Right && cy >= m.Top && cy < m.Bottom) {
      target = m;
      break;
    }
  }
  fullscreen_ = true;
  SetBounds(target);
  if (TopLevel() && owner_.WindowManagerRunning()) SetWmState(owner_.AtomOf("_NET_WM_STATE_FULLSCREEN"), true);
}

void X11Window::Invalidate(const TRect& rect) {
  const TRect r = rect.Intersect(RectOfSize(surface_.Width(), surface_.Height()));
  if (r.IsEmpty()) return;
  dirty_ = dirty_.IsEmpty() ? r
                            : TRect{std::min(dirty_.Left, r.Left), std::min(dirty_.Top, r.Top),
                                    std::max(dirty_.Right, r.Right), std::max(dirty_.Bottom, r.Bottom)};
}

void X11Window::Update() {
  if (closed_) dirty_ = {};  // a closed window paints no more
  if (dirty_.IsEmpty()) return;
  const TRect area = dirty_;
  dirty_ = {};
  SurfacePaintContext context(surface_, area);
  context.FillRect(area, color_);
  try {
    if (onPaint) onPaint(context);
  } catch (...) {
  }
  if (gc_ == nullptr || visual_ == nullptr) return;
  if (presenter_ == nullptr || !presenter_->Matches(surface_.Width(), surface_.Height())) {
    presenter_.reset();
    presenter_ = std::make_unique<Presenter>(display_, visual_, depth_, owner_.ShmAvailable(), surface_.Width(),
                                             surface_.Height());
  }
  if (foreign_) {
    // Its owner may destroy it at any moment.
    ErrorTrap trap(display_);
    presenter_->Present(xid_, gc_, surface_.View(), context.InvalidRect());
    trap.Failed();
  } else {
    presenter_->Present(xid_, gc_, surface_.View(), context.InvalidRect());
  }
}

void X11Window::Close() {
  if (closed_) return;
  closed_ = true;
  if (onClose) onClose();
  if (!foreign_) {
    XUnmapWindow(display_, xid_);
    XFlush(display_);
  }
  visible_ = false;
}

void X11Window::RequestClose() {
  if (closed_) return;
  if (!onCloseQuery || onCloseQuery()) Close();
}

void X11Window::OnConfigure(const XConfigureEvent& event) {
  if (!child_ && !foreign_ && event.send_event) {
    bounds_ = {event.x, event.y, event.x + event.width, event.y + event.height};
  } else {
    bounds_ = {bounds_.Left, bounds_.Top, bounds_.Left + event.width, bounds_.Top + event.height};
  }
  ResizeSurface(event.width, event.height);
}

void X11Window::ResizeSurface(int width, int height) {
  if (width == surface_.Width() && height == surface_.Height()) return;
  surface_.Resize(width, height, color_);
  InvalidateAll();
  if (onResize) onResize();
}

void X11Window::ApplyCursor(Cursor hidden, bool hide) {
  if (foreign_) return;  // the owner's cursor stays the owner's
  if (hide) {
    XDefineCursor(display_, xid_, hidden);
  } else {
    XUndefineCursor(display_, xid_);
  }
}

}  // namespace

std::unique_ptr<WindowSystem> CreateNativeWindowSystem() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return nullptr;  // no display: no window system
  return std::make_unique<X11WindowSystem>(display);
}

}  // namespace kestro::platform
