#include "sample_photos.h"

#include <span>

#include "imaging/formats.h"
#include "imaging/graphic.h"

#include "sample_photo_bytes.inc"

namespace kestro::effects_tool {

namespace {

Bitmap24 Decode(std::span<const unsigned char> jpeg) {
  const std::unique_ptr<TGraphic> graphic = DecodeGraphic(TDecoderKind::dkJPEG, jpeg);
  Bitmap24 bitmap(graphic->Width(), graphic->Height());
  graphic->Draw(bitmap);
  return bitmap;
}

}  // namespace

std::vector<Bitmap24> SamplePhotos() {
  std::vector<Bitmap24> photos;
  photos.push_back(Decode(kLakeside));
  photos.push_back(Decode(kEvening));
  return photos;
}

}  // namespace kestro::effects_tool
