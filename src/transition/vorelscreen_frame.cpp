// The frame routine of the display component: composes the frame for the
// current progress into the screen bitmap from the old screen, and repaints
// what changed.

#include "raster/draw.h"
#include "transition/vorelscreen.h"

namespace kestro {

void TCustomVorelscreen::Frame() {
  // Held for the whole frame, so that a handler stopping the change cannot
  // free them under it.
  const std::shared_ptr<Bitmap24> oldScreen = oldScreen_;
  const std::shared_ptr<Bitmap24> newPicture = newPicture_;
  if (!oldScreen || !newPicture) return;
  const TRect r = newPicture->Bounds();
  const int number = style_;
  std::lock_guard<std::recursive_mutex> canvas(screenCanvas_);
  if (!DrawsFrames()) {
    FrameWithoutDrawing(*newPicture, r);
    return;
  }
  Draw(screen_, 0, 0, *oldScreen);
  if (OnBeforeNewFrame) OnBeforeNewFrame(*this, *newPicture, screen_);
  if (number == 0) {
    FrameWithoutEffect(*newPicture, r);
  } else {
    DrawEffectFrame(number, screen_, *newPicture, step_, progress_, frame_);
    for (const TRect& changed : frame_.changed) InvalidatePictureArea(changed);
  }
  if (OnAfterNewFrame) OnAfterNewFrame(*this, *newPicture, screen_);
  // The component's own frames are on screen before the pacing wait begins;
  // the routines' frames are painted with the next paint message.
  if (!DrawnByRoutine(number) && !inPaint_) parent_->Update();
}

bool TCustomVorelscreen::DrawsFrames() const {
  return style_ == 0 || (style_ <= kEffectCount && EffectImplemented(style_));
}

// Numbers without drawing: no frames and no frame events while the change
// runs; its last step puts the new picture up whole.
void TCustomVorelscreen::FrameWithoutDrawing(const Bitmap24& newPicture, const TRect& r) {
  if (progress_ != 100) return;
  Draw(screen_, 0, 0, newPicture);
  InvalidatePictureArea(r);
}

// Number 0: the owner's drawing when it has a handler, else the new picture
// at once, and the change is at its end.
void TCustomVorelscreen::FrameWithoutEffect(Bitmap24& newPicture, const TRect& r) {
  if (OnCustomDraw) {
    OnCustomDraw(*this, newPicture, screen_);
    if (progress_ == 100) Draw(screen_, 0, 0, newPicture);
  } else {
    Draw(screen_, 0, 0, newPicture);
    progress_ = reverse_ ? 0 : 100;
  }
  InvalidatePictureArea(r);
}

}  // namespace kestro
