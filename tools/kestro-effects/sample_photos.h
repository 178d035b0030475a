#pragma once

#include <vector>

#include "raster/bitmap24.h"

namespace kestro::effects_tool {

// The gallery's own pair of photographs, built into the program: a lake at
// midday and the same kind of scene at dusk, 480 x 320, made with the
// landscapes of scripts/make-samples.sh (samples/).
std::vector<Bitmap24> SamplePhotos();

}  // namespace kestro::effects_tool
