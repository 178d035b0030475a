#include "transition/effect_frame.h"

#include "raster/draw.h"
#include "raster/stretch.h"

namespace kestro {

void EffectPlan::Reset() {
  copies.clear();
  pixels = nullptr;
  clipped = false;
  clip = Region();
}

void DrawCopy(const RectCopy& copy, Bitmap24& screen, const Bitmap24& newPicture) {
  const Bitmap24& from = copy.from == RectCopy::Source::kScreen ? screen : newPicture;
  if (copy.mirror == RectCopy::Mirror::kNone) {
    StretchCopy(screen, copy.dst, from, copy.src);
  } else {
    MirroredCopy(screen, copy.dst, from, copy.src, copy.mirror);
  }
}

TRect CopyArea(const RectCopy& copy, const TRect& bounds) {
  TRect d = copy.dst;
  if (copy.mirror == RectCopy::Mirror::kHorizontal && d.Bottom > d.Top) {
    d.Left -= 1;
    d.Right += 1;
  } else if (copy.mirror == RectCopy::Mirror::kVertical && d.Right > d.Left) {
    d.Top -= 1;
    d.Bottom += 1;
  }
  return Intersect(d, bounds);
}

void MirroredCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                  RectCopy::Mirror mirror) {
  const TRect s = Intersect(srcRect, src.Bounds());
  if (s.IsEmpty()) return;
  const TRect& d = dstRect;
  switch (mirror) {
    case RectCopy::Mirror::kHorizontal:
      // Anchored at column r, running left over r - l + 2 columns: l - 1 .. r.
      if (d.Right - d.Left + 2 <= 0 || d.Bottom <= d.Top) return;
      StretchCopy(dst, TRect{d.Right, d.Top, d.Left - 2, d.Bottom}, src, s);
      break;
    case RectCopy::Mirror::kVertical:
      if (d.Bottom - d.Top + 2 <= 0 || d.Right <= d.Left) return;
      StretchCopy(dst, TRect{d.Left, d.Bottom, d.Right, d.Top - 2}, src, s);
      break;
    case RectCopy::Mirror::kNone:
      StretchCopy(dst, d, src, s);
      break;
  }
}

void DrawPlan(const EffectPlan& plan, int number, const TEffectExtents& extents, std::int32_t progress,
              Bitmap24& screen, const Bitmap24& newPicture) {
  for (const RectCopy& copy : plan.copies) DrawCopy(copy, screen, newPicture);
  if (plan.pixels != nullptr) plan.pixels(number, extents, progress, screen, newPicture);
  if (plan.clipped) DrawThroughRegion(screen, newPicture, plan.clip);
}

bool DrawEffectFrame(int number, Bitmap24& screen, const Bitmap24& newPicture, std::uint16_t step,
                     std::int32_t progress, EffectFrame& frame) {
  frame.changed.clear();
  frame.plan.Reset();
  if (!EffectImplemented(number)) return false;
  const TRect r = newPicture.Bounds();
  if (DrawnByRoutine(number)) {
    if (progress >= 100) {
      Draw(screen, 0, 0, newPicture);
    } else if (progress >= 1) {
      EffectTable[number].Proc(screen, newPicture, r, step, progress & 0x7F);
    }
    frame.changed.push_back(r);
    return true;
  }

  const TEffectExtents extents = EffectExtents(r, progress, step);
  EffectPlan& plan = frame.plan;
  PlanEffect(number, extents, progress, plan);
  // The copies before the frame's own drawing, and any pixel operation, are
  // made whatever the progress.
  const std::size_t leading = plan.clipped || plan.copies.empty() ? plan.copies.size() : plan.copies.size() - 1;
  for (std::size_t i = 0; i < leading; ++i) {
    DrawCopy(plan.copies[i], screen, newPicture);
    frame.changed.push_back(CopyArea(plan.copies[i], r));
  }
  if (plan.pixels != nullptr) plan.pixels(number, extents, progress, screen, newPicture);

  if (progress >= 100) {
    Draw(screen, 0, 0, newPicture);
    frame.changed.push_back(r);
  } else if (plan.clipped || leading == plan.copies.size()) {
    if (progress >= 1 && plan.clipped) DrawThroughRegion(screen, newPicture, plan.clip);
    frame.changed.push_back(r);
  } else {
    const RectCopy& own = plan.copies.back();
    if (progress >= 1) DrawCopy(own, screen, newPicture);
    frame.changed.push_back(CopyArea(own, r));
  }
  return true;
}

}  // namespace kestro
