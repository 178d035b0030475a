#include "imaging/graphic.h"

#include <cstring>

#include "platform/api/metafile.h"

namespace kestro {

void TBitmap::Draw(Bitmap24& target) const { imaging::CopyOnto(bitmap_, target); }

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(bitmap_); }

void TBitmap::Assign(Bitmap24 bitmap) {
  bitmap_ = std::move(bitmap);
  Changed();
}

void TBitmap::Reset(int width, int height, TColor color) {
  bitmap_ = Bitmap24(width, height, color);
  Changed();
}

void TRasterImage::Draw(Bitmap24& target) const {
  if (image_.HasAlpha()) {
    imaging::BlendOnto(image_.pixels, image_.alpha, target);
  } else {
    imaging::CopyOnto(image_.pixels, target);
  }
}

std::unique_ptr<TGraphic> TRasterImage::Clone() const {
  DecodedImage copy{image_.pixels, image_.alpha};
  return std::make_unique<TRasterImage>(std::move(copy), formatName_);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
  DecodedImage copy{Image().pixels, Image().alpha};
  return std::make_unique<TIcon>(std::move(copy));
}

TMetafile::TMetafile(std::shared_ptr<const platform::Metafile> metafile) : metafile_(std::move(metafile)) {}

int TMetafile::Width() const { return metafile_ ? metafile_->Width() : 0; }
int TMetafile::Height() const { return metafile_ ? metafile_->Height() : 0; }

void TMetafile::Draw(Bitmap24& target) const {
  if (!metafile_ || target.IsEmpty() || Empty()) return;
  // The platform plays the metafile over a top-down 24-bit copy of the target.
  const int w = target.Width();
  const int h = target.Height();
  const std::size_t stride = static_cast<std::size_t>(w) * 3;
  std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y) std::memcpy(pixels.data() + stride * y, target.ScanLine(y), stride);
  if (!metafile_->Render(pixels.data(), w, h, stride)) return;
  for (int y = 0; y < h; ++y) std::memcpy(target.ScanLine(y), pixels.data() + stride * y, stride);
}

// Metafiles are immutable once loaded, so copies share the platform object.
std::unique_ptr<TGraphic> TMetafile::Clone() const { return std::make_unique<TMetafile>(metafile_); }

}  // namespace kestro
