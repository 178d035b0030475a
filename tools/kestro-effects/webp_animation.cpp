#include "webp_animation.h"

#if defined(KESTRO_EFFECTS_WEBP)
#include <webp/encode.h>
#include <webp/mux.h>
#endif

namespace kestro::effects_tool {

#if defined(KESTRO_EFFECTS_WEBP)

bool WebPAvailable() { return true; }

struct WebPAnimation::Encoder {
  WebPAnimEncoder* anim = nullptr;
  WebPConfig config{};
  std::int32_t width = 0, height = 0;
  int timestamp = 0;

  ~Encoder() {
    if (anim != nullptr) WebPAnimEncoderDelete(anim);
  }
  [[noreturn]] void Fail(const char* what) const {
    const char* why = anim != nullptr ? WebPAnimEncoderGetError(anim) : nullptr;
    throw EWebPError(std::string(what) + (why != nullptr && *why != '\0' ? std::string(": ") + why : std::string()));
  }
};

WebPAnimation::WebPAnimation(std::int32_t width, std::int32_t height, int quality) : encoder_(std::make_unique<Encoder>()) {
  Encoder& e = *encoder_;
  e.width = width;
  e.height = height;
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&e.config)) e.Fail("libwebp version mismatch");
  options.anim_params.loop_count = 0;  // forever
  e.config.quality = static_cast<float>(quality);
  e.config.method = 4;
  if (!WebPValidateConfig(&e.config)) e.Fail("bad encoder settings");
  e.anim = WebPAnimEncoderNew(width, height, &options);
  if (e.anim == nullptr) e.Fail("cannot start an animation");
}

WebPAnimation::~WebPAnimation() = default;

void WebPAnimation::Add(const Bitmap24& frame, int milliseconds) {
  Encoder& e = *encoder_;
  if (frame.Width() != e.width || frame.Height() != e.height) throw EWebPError("a frame of another size");
  WebPPicture picture;
  if (!WebPPictureInit(&picture)) e.Fail("libwebp version mismatch");
  picture.use_argb = 1;
  picture.width = e.width;
  picture.height = e.height;
  if (!WebPPictureImportBGR(&picture, frame.Bits(), static_cast<int>(frame.Stride()))) {
    WebPPictureFree(&picture);
    e.Fail("cannot take the frame");
  }
  const bool added = WebPAnimEncoderAdd(e.anim, &picture, e.timestamp, &e.config) != 0;
  WebPPictureFree(&picture);
  if (!added) e.Fail("cannot encode a frame");
  e.timestamp += milliseconds;
}

std::vector<std::uint8_t> WebPAnimation::Finish() {
  Encoder& e = *encoder_;
  if (!WebPAnimEncoderAdd(e.anim, nullptr, e.timestamp, nullptr)) e.Fail("cannot end the animation");
  WebPData data;
  WebPDataInit(&data);
  if (!WebPAnimEncoderAssemble(e.anim, &data)) e.Fail("cannot assemble the animation");
  std::vector<std::uint8_t> bytes(data.bytes, data.bytes + data.size);
  WebPDataClear(&data);
  return bytes;
}

#else

bool WebPAvailable() { return false; }

struct WebPAnimation::Encoder {};

WebPAnimation::WebPAnimation(std::int32_t, std::int32_t, int) {
  throw EWebPError("this build has no WebP encoder (libwebp)");
}
WebPAnimation::~WebPAnimation() = default;
void WebPAnimation::Add(const Bitmap24&, int) {}
std::vector<std::uint8_t> WebPAnimation::Finish() { return {}; }

#endif

}  // namespace kestro::effects_tool
