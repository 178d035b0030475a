#include <windows.h>
#include <mmsystem.h>

#include <string>

#include "platform/native.h"

namespace kestro::platform {

namespace {

constexpr char kMediaClass[] = "KestroMediaPlayer";

std::string MciErrorText(MCIERROR error) {
  char text[256] = {};
  if (!mciGetErrorStringA(error, text, sizeof text)) return "MCI error " + std::to_string(error);
  return text;
}

// MCI through its command messages. The end-of-play notification comes as
// MM_MCINOTIFY to a message-only window of the main thread.
class Win32MediaPlayer final : public MediaPlayer {
 public:
  Win32MediaPlayer() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = &Win32MediaPlayer::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kMediaClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowExA(0, kMediaClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window_ != nullptr) SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~Win32MediaPlayer() override {
    Close();
    if (window_ != nullptr) {
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
    }
  }
  Win32MediaPlayer(const Win32MediaPlayer&) = delete;
  Win32MediaPlayer& operator=(const Win32MediaPlayer&) = delete;

  void Open(const std::string& fileName) override {
    Close();
    MCI_OPEN_PARMSA open{};
    open.lpstrElementName = fileName.c_str();
    // No device type: MCI picks it from the file's extension.
    Check(mciSendCommandA(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)));
    device_ = open.wDeviceID;
  }
  void Play() override {
    RequireOpen();
    MCI_PLAY_PARMS play{};
    play.dwCallback = reinterpret_cast<DWORD_PTR>(window_);
    MCI_SEEK_PARMS seek{};
    mciSendCommandA(device_, MCI_SEEK, MCI_SEEK_TO_START | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&seek));
    Check(mciSendCommandA(device_, MCI_PLAY, MCI_NOTIFY, reinterpret_cast<DWORD_PTR>(&play)));
  }
  void Stop() override {
    RequireOpen();
    MCI_GENERIC_PARMS stop{};
    Check(mciSendCommandA(device_, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop)));
  }
  void Close() override {
    if (device_ == 0) return;
    MCI_GENERIC_PARMS close{};
    mciSendCommandA(device_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    device_ = 0;
  }
  MediaMode Mode() override {
    if (device_ == 0) return MediaMode::mpNotReady;
    MCI_STATUS_PARMS status{};
    status.dwItem = MCI_STATUS_MODE;
    if (mciSendCommandA(device_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&status)) != 0) {
      return MediaMode::mpNotReady;
    }
    switch (status.dwReturn) {
      case MCI_MODE_STOP: return MediaMode::mpStopped;
      case MCI_MODE_PLAY: return MediaMode::mpPlaying;
      case MCI_MODE_RECORD: return MediaMode::mpRecording;
      case MCI_MODE_SEEK: return MediaMode::mpSeeking;
      case MCI_MODE_PAUSE: return MediaMode::mpPaused;
      case MCI_MODE_OPEN: return MediaMode::mpOpen;
      default: return MediaMode::mpNotReady;
    }
  }

 private:
  static void Check(MCIERROR error) {
    if (error != 0) throw EMCIDeviceError(MciErrorText(error));
  }
  void RequireOpen() const {
    if (device_ == 0) throw EMCIDeviceError("No MCI device open");
  }

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_MCINOTIFY) {
      auto* self = reinterpret_cast<Win32MediaPlayer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      // Only a play that ran to its end counts: a stop or close aborts the
      // notification, and that is no end of the track.
      if (self != nullptr && wParam == MCI_NOTIFY_SUCCESSFUL && static_cast<MCIDEVICEID>(lParam) == self->device_ &&
          self->onNotify) {
        try {
          self->onNotify();
        } catch (...) {
        }
      }
      return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  MCIDEVICEID device_ = 0;
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateNativeMediaPlayer() { return std::make_unique<Win32MediaPlayer>(); }

}  // namespace kestro::platform
