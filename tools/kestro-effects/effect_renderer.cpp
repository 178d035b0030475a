#include "effect_renderer.h"

#include <algorithm>

namespace kestro::effects_tool {

EffectRenderer::EffectRenderer(Bitmap24 oldPicture, Bitmap24 newPicture, std::uint16_t step)
    : old_(std::move(oldPicture)), new_(std::move(newPicture)), step_(std::clamp<std::uint16_t>(step, 1, 100)) {}

Bitmap24 EffectRenderer::Frame(int effect, int progress) {
  if (effect == 0) return new_;
  Bitmap24 screen = old_;
  DrawEffectFrame(effect, screen, new_, step_, std::clamp(progress, 0, 100), frame_);
  return screen;
}

void EffectRenderer::Sequence(int effect, const std::function<void(int, const Bitmap24&)>& frame) {
  if (effect == 0) {
    frame(100, new_);
    return;
  }
  for (int progress = 0;; progress = std::min(progress + step_, 100)) {
    frame(progress, Frame(effect, progress));
    if (progress == 100) break;
  }
}

}  // namespace kestro::effects_tool
