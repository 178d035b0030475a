#include "transition/effect.h"

namespace kestro {

bool PlanEffect(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan) {
  (void)extents;
  (void)progress;
  (void)plan;
  (void)number;
  return false;  // no effect family is built yet
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
      break;
  }
}

}  // namespace kestro
