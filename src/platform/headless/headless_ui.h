#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/api/clock.h"
#include "platform/api/dialog.h"
#include "platform/api/surface.h"
#include "platform/api/thread.h"
#include "platform/api/ui.h"
#include "platform/headless/headless_dialog.h"

namespace kestro::platform {

class HeadlessWindowSystem;

// An offscreen window: it keeps its composed surface, so tests read back
// exactly what a real window would show.
class HeadlessWindow final : public Window {
 public:
  HeadlessWindow(HeadlessWindowSystem& owner, WindowHandle handle, const WindowParams& params);
  ~HeadlessWindow() override;

  WindowHandle Handle() const override { return handle_; }
  TRect Bounds() const override { return bounds_; }
  void SetBounds(const TRect& bounds) override;
  std::int32_t ClientWidth() const override { return surface_.Width(); }
  std::int32_t ClientHeight() const override { return surface_.Height(); }
  void SetStyle(WindowStyle style) override;
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  void Maximize() override;
  void Invalidate(const TRect& rect) override;
  void InvalidateAll() override;
  void Update() override;
  ConstPixels Surface() const override { return surface_.View(); }
  void Close() override;
  // A close request from outside (the close box, Alt+F4): asks onCloseQuery first.
  void RequestClose();

  WindowHandle Parent() const { return parent_; }
  // It draws straight into its parent (its handle is the parent's).
  bool DrawsIntoParent() const { return drawIntoParent_; }
  WindowStyle Style() const { return style_; }
  const std::string& Title() const { return title_; }
  bool Closed() const { return closed_; }
  bool HasInvalidArea() const { return !dirty_.IsEmpty(); }
  // How many paints ran, and the invalid rectangle of each.
  const std::vector<TRect>& Paints() const { return paints_; }
  void ClearPaints() { paints_.clear(); }

 private:
  void ResizeSurface();

  HeadlessWindowSystem& owner_;
  WindowHandle handle_;
  WindowHandle parent_;
  bool drawIntoParent_;
  std::string title_;
  WindowStyle style_;
  TRect bounds_;
  std::uint32_t color_;
  bool visible_ = false;
  bool closed_ = false;
  TRect dirty_{};
  std::vector<TRect> paints_;
  platform::Surface surface_;
};

// A window system without a display, for tests: a manual clock, a scripted
// event loop, offscreen windows and recorded screensaver services.
//
// Time moves only when the test says so (Advance, RunFor, Run) or when the
// main thread sleeps or spins in ProcessMessages. Worker threads started
// through StartThread while this system is installed are tracked: time only
// moves once every worker is blocked (sleeping, or waiting for a
// synchronous call), so a run is the same every time.
class HeadlessWindowSystem final : public WindowSystem, public EventLoop, public Clock {
 public:
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;
  HeadlessWindowSystem(const HeadlessWindowSystem&) = delete;
  HeadlessWindowSystem& operator=(const HeadlessWindowSystem&) = delete;

  // Installs this system as the window system, clock and thread starter of
  // the process, and removes it again.
  void Install();
  void Uninstall();

  // --- WindowSystem
  EventLoop& Loop() override { return *this; }
  std::unique_ptr<Timer> NewTimer(std::function<void()> onTimer) override;
  std::unique_ptr<Window> NewWindow(const WindowParams& params) override;
  std::unique_ptr<DialogView> NewDialog(const DialogLayout& layout) override;
  std::vector<TRect> Monitors() override { return monitors; }
  // The desktop: the bounding box of the monitors.
  WindowHandle DesktopWindow() override { return kDesktopHandle; }
  static constexpr WindowHandle kDesktopHandle = 1;
  std::optional<TRect> WindowRect(WindowHandle window) override;
  void SetTopmost(WindowHandle window, bool on) override;
  int ShowCursor(bool show) override;
  void SetScreenSaverRunning(bool running) override;
  std::optional<bool> CallVerifyScreenSavePassword(WindowHandle window) override;
  std::optional<std::int32_t> CallChangeScreenSavePassword(WindowHandle owner) override;

  // --- EventLoop
  void Run() override;
  void Quit() override { quit_ = true; }
  bool QuitRequested() const override { return quit_; }
  void ProcessMessages() override;
  void Synchronize(const std::function<void()>& call) override;
  bool IsMainThread() const override;
  void SetMessageFilter(std::function<bool(const InputMessage&)> filter) override {
    filter_ = std::move(filter);
  }
  void SetTerminateHandler(std::function<void()> handler) override { terminate_ = std::move(handler); }

  // --- Clock
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;

  // --- scripting
  // The system asks the program to end (SIGTERM): the terminate handler
  // runs now, then the loop quits.
  void Terminate();
  bool HasTerminateHandler() const { return static_cast<bool>(terminate_); }
  // Queues an input message, as if the user had made it now.
  void Post(const InputMessage& message);
  // Queues an input message for the given time (milliseconds from the start).
  void PostAt(std::uint64_t when, const InputMessage& message);
  // Serves everything that is due without moving time: synchronous calls of
  // workers, queued input, paints.
  void RunUntilIdle();
  // Moves time forward by `milliseconds`, firing timers and waking sleepers
  // in order, serving everything in between.
  void Advance(std::uint64_t milliseconds);
  std::uint64_t Now() const;
  // Run() ends at this time even without Quit (0: no limit).
  std::uint64_t runLimit = 0;

  // The windows created and not yet destroyed.
  std::vector<HeadlessWindow*> Windows() const { return windows_; }
  HeadlessWindow* FindWindow(WindowHandle handle) const;
  // The dialogs created and not yet destroyed.
  std::vector<HeadlessDialog*> Dialogs() const { return dialogs_; }
  // Timers and worker threads that exist now (started and not yet
  // destroyed), for checks that a long run leaks none.
  std::size_t LiveTimers() const { return timers_.size(); }
  std::size_t LiveThreads() const;
  // A foreign window a test stands in for (a preview host).
  void AddHostWindow(WindowHandle handle, const TRect& rect) { hosts_[handle] = rect; }
  // The foreign window goes away.
  void RemoveHostWindow(WindowHandle handle) { hosts_.erase(handle); }

  std::vector<TRect> monitors{{0, 0, 1024, 768}};
  // Frame metrics of framed windows: border width and caption height.
  std::int32_t frameWidth = 4;
  std::int32_t captionHeight = 19;
  // Scripted screensaver services and what the program did with them.
  std::optional<bool> passwordAnswer = true;
  std::optional<std::int32_t> changePasswordResult = 0;
  int passwordChecks = 0;
  std::vector<int> cursorAtPasswordChecks;  // the cursor count when each check asked
  std::vector<WindowHandle> changePasswordOwners;
  int cursorCount = 0;
  bool screenSaverRunning = false;
  std::map<WindowHandle, bool> topmost;
  // Input messages that reached a window (passed the filter).
  std::vector<InputMessage> dispatched;

 private:
  friend class HeadlessWindow;
  friend class HeadlessTimer;
  friend class HeadlessThread;
  struct SyncCall;
  struct Worker;

  void Register(HeadlessWindow* window);
  void Unregister(HeadlessWindow* window);
  // Waits until no worker runs; `lock` holds mutex_.
  void WaitForWorkers(std::unique_lock<std::mutex>& lock);
  // Serves queued synchronous calls; true when any ran.
  bool ServeSyncs(std::unique_lock<std::mutex>& lock);
  bool DispatchOneInput();
  bool PaintInvalidWindows();
  // Sets the time, waking sleepers; fires due timers when asked.
  void MoveTo(std::uint64_t when, bool fireTimers);
  std::optional<std::uint64_t> NextEvent();

  static std::unique_ptr<Thread> StartTrackedThread(std::function<void()> body, ThreadPriority priority);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t now_ = 0;
  std::deque<SyncCall*> syncs_;
  std::vector<Worker*> workers_;
  std::thread::id mainThread_;

  std::deque<InputMessage> input_;
  std::multimap<std::uint64_t, InputMessage> scheduled_;
  std::function<bool(const InputMessage&)> filter_;
  std::function<void()> terminate_;
  bool quit_ = false;
  std::vector<class HeadlessTimer*> timers_;
  std::vector<HeadlessWindow*> windows_;
  std::vector<HeadlessDialog*> dialogs_;
  std::map<WindowHandle, TRect> hosts_;
  WindowHandle nextHandle_ = 0x1000;
};

}  // namespace kestro::platform
