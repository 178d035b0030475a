#pragma once

#include <cstdint>
#include <memory>

#include "platform/api/ui.h"
#include "saver/run_vorelscreen.h"

namespace kestro {

// The window of the running screensaver: covers the screen (or all
// screens), stays on top, hides the cursor, tells the system a screensaver
// runs, starts the music and the slideshow runner, and watches all keyboard
// and mouse input of the application to decide when the show ends. Ending
// passes through the system's screensaver password check.
//
// It is the application's main window: closing it ends the event loop, and
// so does the system's request to end the program (closing it first).
//
// Under a screensaver daemon's hack convention (HackConvention) it draws the
// show into the window the daemon gave, or into a window of its own, and
// leaves the screens, the cursor, the exit rules and the password to the
// daemon: no input ends it; the daemon ends it.
// Its cursor bookkeeping is balanced on every path: what it hides it shows
// again, whatever the settings, the password answers and the way it closes.
class TFullscreenForm {
 public:
  // Creates the window (borderless, black, on the primary monitor, not yet
  // shown), its mouse timer and the application-wide input filter, then
  // runs FormCreate.
  TFullscreenForm();
  ~TFullscreenForm();
  TFullscreenForm(const TFullscreenForm&) = delete;
  TFullscreenForm& operator=(const TFullscreenForm&) = delete;

  // Shows the window: FormShow.
  void Show() { FormShow(); }
  // Seeds the random generator and resets the mouse-move allowance.
  void FormCreate();
  // Starts the show: covers the screens, shows the window, starts the
  // music and the runner.
  void FormShow();
  // The application-wide input filter; true keeps the message from being
  // dispatched.
  bool ApplicationEvents1Message(const platform::InputMessage& Msg);
  // Every 3000 ms: the mouse-move allowance starts again.
  void MouseTimerTimer();
  // An input asks to end the show: the password check, then close or back
  // on top.
  void AttemptExit();
  // Closes the window (FormClose runs, then the event loop ends).
  void Close();
  // Ends the show; never raises.
  void FormClose();

  platform::Window& Window() { return *window_; }
  platform::Timer& MouseTimer() { return *mouseTimer_; }
  // The runner of the show; nullptr before the first show and after close.
  TRunVorelscreen* Runner() { return runner_.get(); }

 private:
  // The music, then the runner (or the component's next change), then a
  // repaint.
  void StartMusicAndRunner();

  std::unique_ptr<platform::Window> window_;
  std::unique_ptr<platform::Timer> mouseTimer_;
  std::unique_ptr<TRunVorelscreen> runner_;
  bool hack_;                  // run under a screensaver daemon's hack convention
  bool cursorHidden_ = false;  // FormShow hid the cursor and close has not shown it yet
  bool inExitAttempt_ = false;
  bool closed_ = false;
};

// Mouse-move messages tolerated within one period of the mouse timer.
inline constexpr std::int32_t kMouseMoveAllowance = 20;
inline constexpr std::uint32_t kMouseTimerInterval = 3000;
// The window of the -window hack convention.
inline constexpr std::int32_t kHackWindowWidth = 640;
inline constexpr std::int32_t kHackWindowHeight = 480;

}  // namespace kestro
