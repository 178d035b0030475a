#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "raster/bitmap24.h"
#include "raster/region.h"

namespace kestro {

// An effect number: 0 no effect, 1 to 150 the rows of the effect table.
using TShowStyle = std::uint8_t;
inline constexpr int kEffectCount = 150;

// An effect routine: draws one frame onto the screen bitmap, which holds the
// old picture on entry, from the new-picture bitmap (read only). r is the
// picture rectangle (0, 0, width, height), step the component's Step
// (1..100) and progress the percentage done (1..99).
using TEffectProc = void (*)(Bitmap24& screen, const Bitmap24& newPicture, const TRect& r,
                             std::uint16_t step, std::int32_t progress);

// The quantities every effect derives from the picture rectangle, the
// progress and the step.
struct TEffectExtents {
  std::int32_t W = 0;
  std::int32_t H = 0;
  std::int32_t PX = 0;
  std::int32_t PY = 0;
  std::int32_t Unit = 0;
};
TEffectExtents EffectExtents(const TRect& r, std::int32_t progress, std::uint16_t step);

// A rectangle copy onto the screen bitmap: a rectangle of the new picture (or
// of the screen itself, read as it was before the copy) stretched into a
// destination rectangle, plainly or mirrored.
struct RectCopy {
  enum class Source { kNew, kScreen };
  enum class Mirror { kNone, kHorizontal, kVertical };
  TRect dst;
  TRect src;
  Source from = Source::kNew;
  Mirror mirror = Mirror::kNone;
};

// Draws a frame by reading and writing pixels itself (blends, rotations).
using PixelOperation = void (*)(int number, const TEffectExtents& extents, std::int32_t progress,
                                Bitmap24& screen, const Bitmap24& newPicture);

// What one frame of an effect draws, in this order: the copies, then the
// pixel operation, then the whole new picture through the clip region. The
// frame's own drawing, which the display component leaves out at progress 0
// and replaces with the whole new picture at 100, is the clip when there is
// one, else the last copy; everything before it is drawn at every progress.
struct EffectPlan {
  std::vector<RectCopy> copies;
  PixelOperation pixels = nullptr;
  bool clipped = false;
  Region clip;

  // Empties the plan, keeping its storage.
  void Reset();
  void Copy(const TRect& dst, const TRect& src) { copies.push_back({dst, src}); }
  void Clip(Region region) {
    clipped = true;
    clip = std::move(region);
  }
};

// An effect family: the numbers of one kind of drawing, with one entry point.
// Plan makes the frame of `number` at `progress` (0..100) into an empty plan;
// false when the number is not one of the family's. Random families draw
// from the shared generator here, once per frame.
struct EffectFamily {
  const char* Name;
  bool (*Plan)(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan);
};

struct TEffect {
  const char* Name;             // labels the effect for tools and people
  const EffectFamily* Family;   // nullptr while the effect's family is not built
  TEffectProc Proc;             // the table routine; nullptr with no family
};

// Entry N holds effect number N; entry 0 is unused.
extern const TEffect EffectTable[kEffectCount + 1];

// The table entry of an effect number, or nullptr outside 1..150.
const TEffect* FindEffect(int number);
// Whether the effect's drawing is built (numbers outside 1..150 never are).
bool EffectImplemented(int number);
// The numbers from 1 to 150 whose drawing is built, in order.
std::vector<int> BuiltEffects();
// The built numbers of one family, in order.
std::vector<int> FamilyMembers(const EffectFamily& family);

// Plans one frame of a built effect; false for other numbers (plan empty).
bool PlanEffect(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan);

}  // namespace kestro
