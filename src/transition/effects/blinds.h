#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "transition/effect.h"

namespace kestro {

enum class SlatDirection { kRightwards, kLeftwards, kDownwards, kUpwards };

// A slat run: r is added, moved by pitch in the direction, and added again
// while it has not passed the far edge of the W x H picture (rightwards
// while its left edge is less than W, leftwards while its right edge is 0 or
// more, downwards and upwards likewise). A pitch of 0 or less adds r once.
void SlatRun(std::vector<TRect>& out, TRect r, std::int32_t pitch, SlatDirection direction, std::int32_t W,
             std::int32_t H);

// The pitch side div unit, or the whole side where that is 0 (unit 0, or
// unit larger than the side): one slat across the picture.
std::int32_t UnitPitch(std::int32_t side, std::int32_t unit);

// The rectangles whose union is the clip of a blind or grid effect's frame;
// false for other numbers.
bool BlindRects(int number, const TEffectExtents& e, std::int32_t progress, std::vector<TRect>& rects);

}  // namespace kestro
