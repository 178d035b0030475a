#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/headless/headless_ui.h"
#include "raster/bitmap24.h"
#include "transition/vorelscreen.h"

namespace kestro::effects_tool {

// Draws effects exactly as the show does: the real display component in an
// offscreen window of the pictures' size, on the headless window system with
// its manual clock. The old picture is put up first, as the change before
// would have left it; then the component changes to the new picture.
class EffectRenderer {
 public:
  // Both pictures have one size.
  EffectRenderer(Bitmap24 oldPicture, Bitmap24 newPicture, std::uint16_t step);
  ~EffectRenderer();
  EffectRenderer(const EffectRenderer&) = delete;
  EffectRenderer& operator=(const EffectRenderer&) = delete;

  // The screen bitmap after the frame of `effect` at `progress` (0..100).
  Bitmap24 Frame(int effect, int progress);
  // Every frame a forward change with `effect` draws, in order, with the
  // progress it was drawn at.
  void Sequence(int effect, const std::function<void(int progress, const Bitmap24& screen)>& frame);

 private:
  // A new component in a new window, showing the old picture.
  void StartOver(int effect);

  Bitmap24 old_;
  Bitmap24 new_;
  std::uint16_t step_;
  platform::HeadlessWindowSystem ui_;
  std::unique_ptr<platform::Window> window_;
  std::unique_ptr<TVorelscreen> display_;
};

}  // namespace kestro::effects_tool
