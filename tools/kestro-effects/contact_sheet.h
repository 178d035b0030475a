#pragma once

#include <vector>

#include "effect_renderer.h"
#include "raster/bitmap24.h"

namespace kestro::effects_tool {

// A sheet for people to look at: for each effect, its number and name above
// small copies of its frames at the given progress values, left to right.
Bitmap24 MakeContactSheet(EffectRenderer& renderer, std::int32_t width, std::int32_t height,
                          const std::vector<int>& effects, const std::vector<int>& progress);

}  // namespace kestro::effects_tool
