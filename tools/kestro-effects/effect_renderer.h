#pragma once

#include <cstdint>
#include <functional>

#include "raster/bitmap24.h"
#include "transition/effect_frame.h"

namespace kestro::effects_tool {

// Draws effects exactly as the show does, through the frame routine the
// display component calls, with no window system: each frame starts from
// the old picture, as the component's frames start from its old screen.
class EffectRenderer {
 public:
  // Both pictures have one size.
  EffectRenderer(Bitmap24 oldPicture, Bitmap24 newPicture, std::uint16_t step);

  // The screen bitmap after the frame of `effect` at `progress` (0..100).
  // Effect 0 (no effect) shows the new picture at once.
  Bitmap24 Frame(int effect, int progress);
  // Every frame a change with `effect` draws, in order, with the progress it
  // was drawn at: 0, Step, 2 Step, ..., 100. Effect 0 draws one frame, the
  // new picture, at 100.
  void Sequence(int effect, const std::function<void(int progress, const Bitmap24& screen)>& frame);

 private:
  Bitmap24 old_;
  Bitmap24 new_;
  std::uint16_t step_;
  EffectFrame frame_;
};

}  // namespace kestro::effects_tool
