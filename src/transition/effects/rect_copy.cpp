// The rectangle-copy effects. Every frame is a short list of copies made in
// order onto the screen bitmap, which holds the old picture: a rectangle of
// the new picture (or, for the push effects, of the screen itself) stretched
// into a destination rectangle. The kinds:
//   stretch   the new picture, or part of it, squeezed into a growing rectangle
//   slide     the whole new picture moving in
//   wipe      destination equal to source: the new picture uncovered in place
//   unroll    a wipe with a mirrored strip at the moving edge, like a sheet
//             being unrolled
//   build up  a wipe with a thin strip at the moving edge smeared over the rest
//   push      the old picture moved or squeezed out by the new one
// Names: W x H the picture, PX/PY the uncovered extents, hx = PX div 2,
// hy = PY div 2, cx = W div 2, cy = H div 2, mx = (W - PX) div 2,
// my = (H - PY) div 2, Mx = (W + PX) div 2, My = (H + PY) div 2.

#include "transition/effects/rect_copy.h"

#include <algorithm>

#include "transition/effects/families.h"

namespace kestro {

namespace {

using Source = RectCopy::Source;
using Mirror = RectCopy::Mirror;

// Adds the copies of a frame to its plan, in drawing order.
class CopyList {
 public:
  explicit CopyList(EffectPlan& plan) : plan_(plan) {}
  void New(const TRect& dst, const TRect& src) { plan_.Copy(dst, src); }
  // Destination equal to source.
  void Wipe(const TRect& r) { New(r, r); }
  void Mirrored(const TRect& dst, const TRect& src, Mirror m) {
    plan_.copies.push_back({dst, src, Source::kNew, m});
  }
  void Screen(const TRect& dst, const TRect& src) {
    plan_.copies.push_back({dst, src, Source::kScreen, Mirror::kNone});
  }

 private:
  EffectPlan& plan_;
};

TRect R(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return TRect{l, t, r, b}; }

bool PlanRectCopy(int number, const TEffectExtents& e, std::int32_t progress, EffectPlan& plan);

}  // namespace

const EffectFamily kRectCopyEffects{"rectangle copy", PlanRectCopy};

std::int32_t RollWidth(std::int32_t extent, std::int32_t uncovered) {
  const std::int32_t fifth = extent / 5;
  if (uncovered < fifth) return uncovered / 2;
  if (extent - uncovered < fifth) return (extent - uncovered) / 2;
  return extent / 10;
}

namespace {

// Every frame is planned from the extents alone.
bool PlanRectCopy(int number, const TEffectExtents& e, std::int32_t /*progress*/, EffectPlan& plan) {
  const std::int32_t W = e.W, H = e.H, PX = e.PX, PY = e.PY;
  const std::int32_t hx = PX / 2, hy = PY / 2, cx = W / 2, cy = H / 2;
  const std::int32_t mx = (W - PX) / 2, my = (H - PY) / 2, Mx = (W + PX) / 2, My = (H + PY) / 2;
  const TRect full = R(0, 0, W, H);
  CopyList c(plan);
  switch (number) {
    // Horizontal.
    case 1: c.New(R(W - PX, 0, W, H), full); break;
    case 2: c.New(R(0, 0, PX, H), full); break;
    case 3: c.New(R(W - PX, 0, 2 * W - PX, H), full); break;
    case 4: c.New(R(PX - W, 0, PX, H), full); break;
    case 5: c.Wipe(R(0, 0, PX, H)); break;
    case 6: c.Wipe(R(W - PX, 0, W, H)); break;
    case 7: c.New(R(0, 0, 2 * W - PX, H), R(0, 0, PX, H)); break;
    case 8: c.New(R(PX - W, 0, W, H), R(W - PX, 0, W, H)); break;
    case 9: c.New(R(PX - W, 0, 2 * W - PX, H), R(mx, 0, Mx, H)); break;
    case 10: c.New(R(mx, 0, Mx, H), full); break;
    case 11: c.Wipe(R(mx, 0, Mx, H)); break;
    case 12:
      c.Wipe(R(0, 0, hx + 1, H));
      c.Wipe(R(W - hx - 1, 0, W, H));
      break;
    case 13:
      c.New(R(0, 0, hx + 1, H), R(0, 0, cx + 1, H));
      c.New(R(W - hx - 1, 0, W, H), R(cx, 0, W, H));
      break;
    case 14: {  // the back of the sheet, mirrored on the roll, then the unrolled part
      const std::int32_t E = PX + RollWidth(W, PX);
      c.Mirrored(R(PX, 0, E, H), R(E, 0, 2 * E - PX, H), Mirror::kHorizontal);
      c.Wipe(R(0, 0, PX, H));
      break;
    }
    case 15: {
      const std::int32_t R0 = W - PX, L = R0 - RollWidth(W, PX);
      c.Mirrored(R(L, 0, R0, H), R(2 * L - R0, 0, L, H), Mirror::kHorizontal);
      c.Wipe(R(R0, 0, W, H));
      break;
    }
    case 16:
      c.Wipe(R(0, 0, PX, H));
      c.New(R(PX, 0, W, H), R(PX, 0, std::min(PX + W / 20, W), H));
      break;
    case 17:
      c.Wipe(R(W - PX, 0, W, H));
      c.New(R(0, 0, W - PX, H), R(std::max(W - PX - W / 20, 0), 0, W - PX, H));
      break;
    // Vertical.
    case 18: c.New(R(0, H - PY, W, H), full); break;
    case 19: c.New(R(0, 0, W, PY), full); break;
    case 20: c.New(R(0, H - PY, W, 2 * H - PY), full); break;
    case 21: c.New(R(0, PY - H, W, PY), full); break;
    case 22: c.Wipe(R(0, 0, W, PY)); break;
    case 23: c.Wipe(R(0, H - PY, W, H)); break;
    case 24: c.New(R(0, 0, W, 2 * H - PY), R(0, 0, W, PY)); break;
    case 25: c.New(R(0, PY - H, W, H), R(0, H - PY, W, H)); break;
    case 26: c.New(R(0, PY - H, W, 2 * H - PY), R(0, my, W, My)); break;
    case 27: c.New(R(0, my, W, My), full); break;
    case 28: c.Wipe(R(0, my, W, My)); break;
    case 29:
      c.Wipe(R(0, 0, W, hy + 1));
      c.Wipe(R(0, H - hy - 1, W, H));
      break;
    case 30:
      c.New(R(0, 0, W, hy + 1), R(0, 0, W, cy + 1));
      c.New(R(0, H - hy - 1, W, H), R(0, cy, W, H));
      break;
    case 31: {
      const std::int32_t E = PY + RollWidth(H, PY);
      c.Mirrored(R(0, PY, W, E), R(0, E, W, 2 * E - PY), Mirror::kVertical);
      c.Wipe(R(0, 0, W, PY));
      break;
    }
    case 32: {
      const std::int32_t R0 = H - PY, L = R0 - RollWidth(H, PY);
      c.Mirrored(R(0, L, W, R0), R(0, 2 * L - R0, W, L), Mirror::kVertical);
      c.Wipe(R(0, R0, W, H));
      break;
    }
    case 33:
      c.Wipe(R(0, 0, W, PY));
      c.New(R(0, PY, W, H), R(0, PY, W, std::min(PY + H / 20, H)));
      break;
    case 34:
      c.Wipe(R(0, H - PY, W, H));
      c.New(R(0, 0, W, H - PY), R(0, std::max(H - PY - H / 20, 0), W, H - PY));
      break;
    // Corners and centre.
    case 35: c.New(R(W - PX, H - PY, W, H), full); break;
    case 36: c.New(R(W - PX, 0, W, PY), full); break;
    case 37: c.New(R(0, 0, PX, PY), full); break;
    case 38: c.New(R(0, H - PY, PX, H), full); break;
    case 39: c.New(R(W - PX, H - PY, 2 * W - PX, 2 * H - PY), full); break;
    case 40: c.New(R(W - PX, PY - H, 2 * W - PX, PY), full); break;
    case 41: c.New(R(PX - W, PY - H, PX, PY), full); break;
    case 42: c.New(R(PX - W, H - PY, PX, 2 * H - PY), full); break;
    case 43: c.Wipe(R(0, 0, PX, PY)); break;
    case 44: c.Wipe(R(0, H - PY, PX, H)); break;
    case 45: c.Wipe(R(W - PX, H - PY, W, H)); break;
    case 46: c.Wipe(R(W - PX, 0, W, PY)); break;
    case 47: c.New(R(0, 0, 2 * W - PX, 2 * H - PY), R(0, 0, PX, PY)); break;
    case 48: c.New(R(0, PY - H, 2 * W - PX, H), R(0, H - PY, PX, H)); break;
    case 49: c.New(R(PX - W, PY - H, W, H), R(W - PX, H - PY, W, H)); break;
    case 50: c.New(R(PX - W, 0, W, 2 * H - PY), R(W - PX, 0, W, PY)); break;
    case 51: c.New(R(PX - W, PY - H, 2 * W - PX, 2 * H - PY), R(mx, my, Mx, My)); break;
    case 52: c.New(R(mx, my, Mx, My), full); break;
    case 53: c.Wipe(R(mx, my, Mx, My)); break;
    case 54:
      c.Wipe(R(0, 0, W, hy));
      c.Wipe(R(0, H - hy, W, H));
      c.Wipe(R(0, 0, hx, H));
      c.Wipe(R(W - hx, 0, W, H));
      break;
    case 55:
      c.Wipe(R(0, 0, hx + 1, hy + 1));
      c.Wipe(R(0, H - hy - 1, hx + 1, H));
      c.Wipe(R(W - hx - 1, H - hy - 1, W, H));
      c.Wipe(R(W - hx - 1, 0, W, hy + 1));
      break;
    case 56:
      c.New(R(0, 0, hx + 1, hy + 1), R(0, 0, cx + 1, cy + 1));
      c.New(R(0, H - hy, hx + 1, H), R(0, cy + 1, cx + 1, H));
      c.New(R(W - hx, H - hy, W, H), R(cx + 1, cy + 1, W, H));
      c.New(R(W - hx, 0, W, hy + 1), R(cx + 1, 0, W, cy + 1));
      break;
    case 57:
      c.New(R((PX - W) / 2, 0, hx + 1, cy + 1), R(0, 0, cx + 1, cy + 1));
      c.New(R(cx - 1, (PY - H) / 2, W, hy + 1), R(cx - 1, 0, W, cy + 1));
      c.New(R(W - hx, cy - 1, W + mx, H), R(cx + 1, cy - 1, W, H));
      c.New(R(0, H - hy, cx + 1, H + my), R(0, cy + 1, cx + 1, H));
      break;
    // Push: the old picture moved (128, 129, 132, 133) or squeezed (130, 131,
    // 134, 135) out of the way, the new picture's far edge coming in.
    case 128:
      c.Screen(R(PX, 0, W, H), R(0, 0, W - PX, H));
      c.New(R(0, 0, PX, H), R(W - PX, 0, W, H));
      break;
    case 129:
      c.Screen(R(0, 0, W - PX, H), R(PX, 0, W, H));
      c.New(R(W - PX, 0, W, H), R(0, 0, PX, H));
      break;
    case 130:
      c.Screen(R(PX, 0, W, H), full);
      c.New(R(0, 0, PX, H), R(W - PX, 0, W, H));
      break;
    case 131:
      c.Screen(R(0, 0, W - PX, H), full);
      c.New(R(W - PX, 0, W, H), R(0, 0, PX, H));
      break;
    case 132:
      c.Screen(R(0, PY, W, H), R(0, 0, W, H - PY));
      c.New(R(0, 0, W, PY), R(0, H - PY, W, H));
      break;
    case 133:
      c.Screen(R(0, 0, W, H - PY), R(0, PY, W, H));
      c.New(R(0, H - PY, W, H), R(0, 0, W, PY));
      break;
    case 134:
      c.Screen(R(0, PY, W, H), full);
      c.New(R(0, 0, W, PY), R(0, H - PY, W, H));
      break;
    case 135:
      c.Screen(R(0, 0, W, H - PY), full);
      c.New(R(0, H - PY, W, H), R(0, 0, W, PY));
      break;
    default:
      return false;
  }
  return true;
}

}  // namespace

}  // namespace kestro
