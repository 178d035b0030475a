#pragma once

// Writing the pictures the builder makes: JPEG encoding and shrinking.

#include <string>

#include "raster/bitmap24.h"

namespace kestro::builder {

// The quality of every JPEG the builder writes: high, with the chroma
// halved both ways as cameras store it.
inline constexpr int kJpegQuality = 92;

// Encodes the bitmap as a baseline JPEG file with optimised Huffman tables.
// Throws EBuildError when libjpeg refuses (an empty bitmap, no memory).
std::string EncodeJpeg(const Bitmap24& bitmap, int quality = kJpegQuality);

struct PictureSize {
  int width = 0;
  int height = 0;
};

// True when the picture is wider or higher than the box.
constexpr bool Exceeds(PictureSize picture, PictureSize box) {
  return picture.width > box.width || picture.height > box.height;
}

// The largest size of the picture's proportions that fits in the box (the
// picture's own size when it fits already); at least 1 x 1.
PictureSize FitWithin(PictureSize picture, PictureSize box);

// The bitmap scaled down to `size` (no larger than the bitmap either way),
// every target pixel the average of the source area it covers.
Bitmap24 ShrinkBitmap(const Bitmap24& source, PictureSize size);

}  // namespace kestro::builder
