// The multimedia player on Linux: a GStreamer playbin per open file, playing
// into the desktop's sound server (PulseAudio where it runs) through
// GStreamer's automatic audio sink. The end of play is read from the
// pipeline's bus by a timer of the event loop, so the notification arrives
// on the main thread like every other event.
#include <gst/gst.h>

#include "platform/api/ui.h"
#include "platform/native.h"

namespace kestro::platform {

namespace {

constexpr std::uint32_t kBusPollInterval = 50;
// How long Open waits for the file to be read far enough to play.
constexpr GstClockTime kOpenTimeout = 10 * GST_SECOND;

bool GStreamerReady() {
  static const bool ready = gst_init_check(nullptr, nullptr, nullptr) != FALSE;
  return ready;
}

class GStreamerPlayer final : public MediaPlayer {
 public:
  GStreamerPlayer() {
    if (HasWindowSystem()) {
      busTimer_ = UI().NewTimer([this] { PollBus(); });
      busTimer_->SetInterval(kBusPollInterval);
    }
  }
  ~GStreamerPlayer() override {
    busTimer_.reset();
    Close();
  }
  GStreamerPlayer(const GStreamerPlayer&) = delete;
  GStreamerPlayer& operator=(const GStreamerPlayer&) = delete;

  void Open(const std::string& fileName) override {
    Close();
    if (!GStreamerReady()) throw EMCIDeviceError("GStreamer cannot start");
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(fileName.c_str(), &error);
    if (uri == nullptr) {
      const std::string text = error != nullptr ? error->message : "bad file name";
      g_clear_error(&error);
      throw EMCIDeviceError("Cannot open \"" + fileName + "\": " + text);
    }
    pipeline_ = gst_element_factory_make("playbin", nullptr);
    if (pipeline_ == nullptr) {
      g_free(uri);
      throw EMCIDeviceError("GStreamer has no playbin element (gstreamer1.0-plugins-base)");
    }
    gst_object_ref_sink(pipeline_);
    // Sound only: a file with pictures in it shows none of them.
    g_object_set(pipeline_, "uri", uri, "flags", 0x2 /* audio */, nullptr);
    g_free(uri);
    // Ready to play: the file is read, its format known, a device open.
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    GstState state = GST_STATE_NULL;
    const GstStateChangeReturn result = gst_element_get_state(pipeline_, &state, nullptr, kOpenTimeout);
    if (result == GST_STATE_CHANGE_FAILURE || state != GST_STATE_PAUSED) {
      const std::string text = BusError();
      Close();
      throw EMCIDeviceError("Cannot play \"" + fileName + "\"" + (text.empty() ? "" : ": " + text));
    }
    mode_ = MediaMode::mpStopped;
  }

  void Play() override {
    RequireOpen();
    gst_element_seek_simple(pipeline_, GST_FORMAT_TIME,
                            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0);
    if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
      throw EMCIDeviceError("The audio device failed: " + BusError());
    }
    mode_ = MediaMode::mpPlaying;
    if (busTimer_) busTimer_->SetEnabled(true);
  }

  void Stop() override {
    RequireOpen();
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    mode_ = MediaMode::mpStopped;
    if (busTimer_) busTimer_->SetEnabled(false);
  }

  void Close() override {
    if (busTimer_) busTimer_->SetEnabled(false);
    if (pipeline_ == nullptr) return;
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
    pipeline_ = nullptr;
    mode_ = MediaMode::mpNotReady;
  }

  // The end of play shows here once the bus timer has read it.
  MediaMode Mode() override { return mode_; }

 private:
  void RequireOpen() const {
    if (pipeline_ == nullptr) throw EMCIDeviceError("No MCI device open");
  }

  // The first error waiting on the bus, as text.
  std::string BusError() {
    if (pipeline_ == nullptr) return {};
    GstBus* bus = gst_element_get_bus(pipeline_);
    std::string text;
    while (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      if (text.empty() && error != nullptr) text = error->message;
      g_clear_error(&error);
      gst_message_unref(message);
    }
    gst_object_unref(bus);
    return text;
  }

  // Reads the end of play (or an error, which ends it too) from the bus.
  void PollBus() {
    if (pipeline_ == nullptr || mode_ != MediaMode::mpPlaying) return;
    GstBus* bus = gst_element_get_bus(pipeline_);
    bool ended = false;
    bool failed = false;
    while (GstMessage* message =
               gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR))) {
      if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) ended = true;
      if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) failed = true;
      gst_message_unref(message);
    }
    gst_object_unref(bus);
    if (!ended && !failed) return;
    mode_ = MediaMode::mpStopped;
    if (busTimer_) busTimer_->SetEnabled(false);
    // Only a play that ran to its end counts, as with MCI's notification.
    if (ended && onNotify) {
      try {
        onNotify();
      } catch (...) {
      }
    }
  }

  GstElement* pipeline_ = nullptr;
  MediaMode mode_ = MediaMode::mpNotReady;
  std::unique_ptr<Timer> busTimer_;
};

}  // namespace

std::unique_ptr<MediaPlayer> CreateNativeMediaPlayer() { return std::make_unique<GStreamerPlayer>(); }

}  // namespace kestro::platform
