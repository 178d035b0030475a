#include "platform/native.h"

namespace kestro::platform {

namespace {

// The Linux build has no multimedia player yet (it comes with the Linux
// window system, whose event loop its notification needs): every file
// fails to open, so only MP3 music plays, through the decoder library.
class NoMediaPlayer final : public MediaPlayer {
 public:
  void Open(const std::string& fileName) override {
    throw EMCIDeviceError("No multimedia player on this platform for \"" + fileName + "\"");
  }
  void Play() override { throw EMCIDeviceError("No MCI device open"); }
  void Stop() override { throw EMCIDeviceError("No MCI device open"); }
  void Close() override {}
  MediaMode Mode() override { return MediaMode::mpNotReady; }
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateNativeMediaPlayer() { return std::make_unique<NoMediaPlayer>(); }

}  // namespace kestro::platform
