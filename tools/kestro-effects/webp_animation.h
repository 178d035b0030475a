#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/error.h"
#include "raster/bitmap24.h"

namespace kestro::effects_tool {

// An animation libwebp cannot encode.
KESTRO_DECLARE_ERROR(EWebPError);

// Whether this build can write animated WebP files (the Windows builds have
// no libwebp).
bool WebPAvailable();

// An animated WebP file, looping forever, made frame by frame with libwebp's
// animation encoder (lossy, at the given quality 0..100).
class WebPAnimation {
 public:
  WebPAnimation(std::int32_t width, std::int32_t height, int quality);
  ~WebPAnimation();
  WebPAnimation(const WebPAnimation&) = delete;
  WebPAnimation& operator=(const WebPAnimation&) = delete;

  // Adds a frame of the animation's size, shown for `milliseconds`.
  void Add(const Bitmap24& frame, int milliseconds);
  // The file's bytes; no frame may be added afterwards.
  std::vector<std::uint8_t> Finish();

 private:
  struct Encoder;
  std::unique_ptr<Encoder> encoder_;
};

}  // namespace kestro::effects_tool
