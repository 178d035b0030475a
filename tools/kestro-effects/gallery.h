#pragma once

#include <cstdint>
#include <string>

#include "raster/bitmap24.h"

namespace kestro::effects_tool {

// Every effect of the table on one web page, for screensaver authors to
// choose from: a tile per effect with its number, its name and an animated
// preview (WebP) of a whole change from the first photograph to the second,
// frame by frame as the show draws it.
struct GalleryOptions {
  std::int32_t width = 360;   // of each preview
  std::int32_t height = 240;
  std::uint16_t step = 4;     // the show's default
  int quality = 80;           // of the lossy WebP frames
};

struct GallerySummary {
  int effects = 0;            // tiles, one per table entry
  int previews = 0;           // built effects, each with its preview
  std::uint64_t bytes = 0;    // the page and its previews
};

// Writes folder/index.html and the previews folder/effects/NNN.webp. The
// photographs may have any sizes: each is cut to the previews' proportions
// about its centre and scaled to their size.
GallerySummary MakeGallery(const Bitmap24& first, const Bitmap24& second, const GalleryOptions& options,
                           const std::string& folder);

// A photograph cut to width:height about its centre and scaled to width x
// height (averaging when it shrinks).
Bitmap24 FitPhoto(const Bitmap24& photo, std::int32_t width, std::int32_t height);

}  // namespace kestro::effects_tool
