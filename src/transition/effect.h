#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "raster/bitmap24.h"
#include "raster/draw.h"
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

struct TEffect {
  const char* Name;   // labels the effect for tools and people
  TEffectProc Proc;   // nullptr while the effect's family is not built
};

// Entry N holds effect number N; entry 0 is unused.
extern const TEffect EffectTable[kEffectCount + 1];

// The table entry of an effect number, or nullptr outside 1..150.
const TEffect* FindEffect(int number);
// Whether the effect's drawing is built (numbers outside 1..150 never are).
bool EffectImplemented(int number);

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

// What one frame of an effect draws, for the component's own per-frame code
// (numbers 1 to 127), which repaints only what changed, and for the table
// routines, which draw a plan whole.
struct RectCopy {
  enum class Source { kNew, kScreen };
  enum class Mirror { kNone, kHorizontal, kVertical };
  TRect dst;
  TRect src;
  Source from = Source::kNew;
  Mirror mirror = Mirror::kNone;
};

struct EffectPlan {
  enum class Kind {
    kCopies,  // rectangle copies in order; the last one is the frame's (D, S)
    kRegion,  // the whole new picture drawn through a clip region
    kDirect,  // the effect draws the frame itself (pixel operations)
  };
  Kind kind = Kind::kCopies;
  std::vector<RectCopy> copies;
  Region region;
  // kDirect: draws the frame onto the screen bitmap.
  void (*direct)(Bitmap24& screen, const Bitmap24& newPicture, std::int32_t progress) = nullptr;
};

// Plans one frame of effect `number` at `progress` (1..99), replacing what
// plan held (its storage is reused); false, with plan untouched, when the
// number has no drawing built. Random effects draw from the shared generator.
// For numbers 1 to 57 the plan is a list of copies whose last one is a plain
// copy from the new picture: the frame's destination and source rectangles.
bool PlanEffect(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan);

// Draws a plan onto the screen bitmap.
void DrawPlan(const EffectPlan& plan, Bitmap24& screen, const Bitmap24& newPicture, std::int32_t progress);

// Makes one copy of a plan onto the screen bitmap: a plain stretch copy, a
// mirrored copy (MirroredCopy), or for Source::kScreen a copy within the
// screen bitmap that reads the source as it was before the copy.
void DrawCopy(const RectCopy& copy, Bitmap24& screen, const Bitmap24& newPicture);

// The part of bounds (the screen bitmap's rectangle) that a copy can change:
// its destination, widened by one pixel beyond each mirrored edge for a
// mirrored copy. Empty when the copy draws nothing there.
TRect CopyArea(const RectCopy& copy, const TRect& bounds);

}  // namespace kestro
