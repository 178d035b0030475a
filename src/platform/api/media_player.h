#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/error.h"

namespace kestro {

// The multimedia player could not do what it was asked (no device, a file
// it cannot play). The message says what failed.
KESTRO_DECLARE_ERROR(EMCIDeviceError);

}  // namespace kestro

namespace kestro::platform {

// What the multimedia player is doing, as the MCI modes name it.
enum class MediaMode { mpNotReady, mpStopped, mpPlaying, mpRecording, mpSeeking, mpPaused, mpOpen };

// The platform's player for audio files of any format it knows: MCI on
// Windows. One file at a time; everything runs on the main thread, and the
// end-of-play notification arrives through the event loop.
class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;
  // Opens the file, the device type chosen from the file. Raises
  // EMCIDeviceError when no device takes it.
  virtual void Open(const std::string& fileName) = 0;
  // Plays from the start with notification: onNotify runs when playback
  // reaches the end. Raises EMCIDeviceError when nothing is open or the
  // device fails.
  virtual void Play() = 0;
  // Stops playing (no notification follows); raises when nothing is open.
  virtual void Stop() = 0;
  // Closes the file; nothing happens when none is open.
  virtual void Close() = 0;
  virtual MediaMode Mode() = 0;

  // Playback reached the end of the file.
  std::function<void()> onNotify;
};

// A new player of this platform (or of the installed factory).
std::unique_ptr<MediaPlayer> NewMediaPlayer();
// Makes NewMediaPlayer use `factory` (tests install a fake); an empty one
// restores the native player.
void InstallMediaPlayerFactory(std::function<std::unique_ptr<MediaPlayer>()> factory);

}  // namespace kestro::platform
