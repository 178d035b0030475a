#include "saver/fullscreen_form.h"

#include <vector>

#include "common/startup_values.h"
#include "common/random.h"
#include "music/music.h"
#include "payload/payload.h"
#include "saver/multi_screen_form.h"
#include "saver/saver_password.h"
#include "settings/saver_setting.h"

namespace kestro {

namespace {

// Only the show of a saver run (or of the program run as a plain program)
// hides its window and frees its runner at once when it ends.
bool OwnsTheRun() { return RunMode == kRunSaver || RunAsExe; }

// The window of the show: the primary monitor's area, or what the hack
// convention of a screensaver daemon asks for.
platform::WindowParams ShowWindowParams() {
  platform::WindowParams params;
  params.title = SaverName;
  params.style = platform::WindowStyle::kBorderless;
  params.color = 0;
  const std::vector<TRect> monitors = platform::UI().Monitors();
  if (!monitors.empty()) params.bounds = monitors.front();
  switch (HackConvention) {
    case kHackRoot:
    case kHackWindowId:
      params.parent = HackWindow != 0 ? HackWindow : platform::UI().DesktopWindow();
      params.drawIntoParent = true;
      break;
    case kHackNewWindow:
      params.style = platform::WindowStyle::kFramed;
      params.bounds = RectOfSize(kHackWindowWidth, kHackWindowHeight);
      if (!monitors.empty()) {
        const TRect& m = monitors.front();
        params.bounds = params.bounds.Offset(m.Left + (m.Width() - kHackWindowWidth) / 2,
                                             m.Top + (m.Height() - kHackWindowHeight) / 2);
      }
      break;
    default:
      break;
  }
  return params;
}

}  // namespace

TFullscreenForm::TFullscreenForm() : hack_(HackConvention != kHackNone) {
  window_ = platform::UI().NewWindow(ShowWindowParams());
  window_->onClose = [this] { FormClose(); };
  // A close the system asks for (Alt+F4, a close request from another
  // program) would end the show past the password check: only the exit
  // rules close this window. Under a daemon's hack convention the daemon
  // owns the exit rules: its window going away, or the user closing the
  // -window window, ends the show.
  window_->onCloseQuery = [this] { return hack_; };
  mouseTimer_ = platform::UI().NewTimer([this] { MouseTimerTimer(); });
  mouseTimer_->SetInterval(kMouseTimerInterval);
  mouseTimer_->SetEnabled(true);
  if (!hack_) {
    platform::UI().Loop().SetMessageFilter(
        [this](const platform::InputMessage& message) { return ApplicationEvents1Message(message); });
  }
  // The system's request to end the program closes the show like an exit.
  platform::UI().Loop().SetTerminateHandler([this] { Close(); });
  FormCreate();
}

TFullscreenForm::~TFullscreenForm() {
  platform::UI().Loop().SetMessageFilter(nullptr);
  platform::UI().Loop().SetTerminateHandler(nullptr);
  window_->onClose = nullptr;
  window_->onCloseQuery = nullptr;
  if (!closed_) {
    // Never shown to its end (start-up failed on the way): the show still
    // hands back what it took.
    closed_ = true;
    try {
      if (!hack_) SetSaverRunning(true, cursorHidden_);
      cursorHidden_ = false;
      StopMusic(true);
    } catch (...) {
    }
  }
  FreeMirrorWindows();
  if (MirrorSource == window_.get()) MirrorSource = nullptr;
  runner_.reset();  // before the window it draws on
  mouseTimer_.reset();
}

void TFullscreenForm::FormCreate() {
  SeedRandomFromClock();
  MouseMoveAllowance = kMouseMoveAllowance;
}

void TFullscreenForm::FormShow() {
  if (hack_) {
    // The daemon covers the screens, hides the cursor and locks; the show
    // only draws into the window it was given.
    window_->Show();
    if (!closed_) StartMusicAndRunner();  // a window that is gone ends the show at once
    return;
  }
  // The application has no taskbar button of its own to hide: its one
  // top-level helper window is never shown.
  SetSaverRunning(false, !SaverSetting.ShowCursor);
  cursorHidden_ = !SaverSetting.ShowCursor && ShowHostWindow() == 0;

  const std::vector<TRect> monitors = platform::UI().Monitors();
  window_->SetStyle(platform::WindowStyle::kBorderless);
  if (monitors.size() <= 1 || SaverSetting.ImageSameMonitor) {
    window_->Maximize();
    if (monitors.size() > 1) {
      MirrorSource = window_.get();
      CreateMirrorWindows();
    }
  } else {
    // One picture area across the desktop, from the primary monitor's
    // corner: monitors left of or above it, or taller than it, stay bare.
    window_->SetBounds({0, 0, TotalMonitorWidth(), monitors.front().Height()});
  }
  window_->Show();
  SetTopmost(window_->Handle(), true);
  StartMusicAndRunner();
}

void TFullscreenForm::StartMusicAndRunner() {
  StartSaverMusic();
  if (runner_ != nullptr) {
    runner_->Display().Execute();
  } else {
    runner_ = std::make_unique<TRunVorelscreen>(*window_, /*preview=*/false);
  }
  runner_->Display().Refresh();
}

bool TFullscreenForm::ApplicationEvents1Message(const platform::InputMessage& Msg) {
  try {
    if (closed_ || !window_->Visible()) return false;
    const TSaverSetting& s = SaverSetting;
    switch (Msg.message) {
      case platform::kWmKeyDown:
      case platform::kWmSysKeyDown:
        if (s.OnlyEscKeyExit) {
          if (Msg.wParam == platform::kVkEscape) AttemptExit();
        } else if (s.ShowCursor || s.KeyboardPress || !(s.MouseMove || s.MousePress || s.KeyboardPress)) {
          AttemptExit();
        }
        return false;
      case platform::kWmSysCommand:
        // The low four bits of a system command are the system's own.
        return (Msg.wParam & 0xFFF0) == platform::kScScreenSave;
      case platform::kWmMouseMove:
        if (s.ShowCursor || s.OnlyEscKeyExit || !s.MouseMove) return false;
        if (MouseMoveAllowance > 0) {
          --MouseMoveAllowance;
        } else {
          AttemptExit();
        }
        return false;
      case platform::kWmLButtonDown:
      case platform::kWmRButtonDown:
        if (s.ShowCursor || s.OnlyEscKeyExit || !s.MousePress) return false;
        AttemptExit();
        return true;
      default:
        return false;
    }
  } catch (...) {
    return false;
  }
}

void TFullscreenForm::MouseTimerTimer() { MouseMoveAllowance = kMouseMoveAllowance; }

void TFullscreenForm::AttemptExit() {
  // The password dialog runs its own message loop: input that reaches the
  // filter meanwhile does not start a second attempt.
  if (inExitAttempt_ || closed_) return;
  inExitAttempt_ = true;
  try {
    const platform::WindowHandle handle = window_->Handle();
    SetTopmost(handle, false);
    platform::UI().ShowCursor(true);
    if (VerifySaverPassword(handle, /*ManageCursor=*/true)) {
      Close();
    } else {
      SetTopmost(handle, true);
    }
    // Takes back the show of the cursor above, also when the cursor setting
    // keeps it visible, so the counter ends where it was.
    platform::UI().ShowCursor(false);
  } catch (...) {
  }
  MouseMoveAllowance = kMouseMoveAllowance;
  inExitAttempt_ = false;
}

void TFullscreenForm::Close() { window_->Close(); }

void TFullscreenForm::FormClose() {
  if (closed_) return;
  closed_ = true;
  try {
    // The cursor is shown again only when the show hid it.
    if (!hack_) SetSaverRunning(true, cursorHidden_);
    cursorHidden_ = false;
    if (OwnsTheRun()) window_->Hide();
    StopMusic(true);
    if (runner_ != nullptr) {
      runner_->TickTimer().SetEnabled(false);
      runner_->Display().Stop();
    }
    FreeMirrorWindows();
    if (OwnsTheRun()) runner_.reset();
  } catch (...) {
  }
  mouseTimer_->SetEnabled(false);
  // The main window is closed: the event loop ends.
  platform::UI().Loop().Quit();
}

}  // namespace kestro
