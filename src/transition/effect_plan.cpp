#include "raster/stretch.h"
#include "transition/effect.h"
#include "transition/effects/rect_copy.h"

namespace kestro {

bool PlanEffect(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan) {
  (void)progress;  // the families built so far need only the extents
  if (IsRectCopyEffect(number)) return PlanRectCopy(number, extents, plan);
  return false;
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

void DrawPlan(const EffectPlan& plan, Bitmap24& screen, const Bitmap24& newPicture, std::int32_t progress) {
  switch (plan.kind) {
    case EffectPlan::Kind::kRegion:
      DrawThroughRegion(screen, newPicture, plan.region);
      break;
    case EffectPlan::Kind::kDirect:
      if (plan.direct != nullptr) plan.direct(screen, newPicture, progress);
      break;
    case EffectPlan::Kind::kCopies:
      for (const RectCopy& copy : plan.copies) DrawCopy(copy, screen, newPicture);
      break;
  }
}

}  // namespace kestro
