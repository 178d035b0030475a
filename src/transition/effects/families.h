#pragma once

#include "transition/effect.h"

namespace kestro {

// The effect families. Each lives in a file of its own under effects/ and
// holds its members' geometry; the effect table says which numbers it draws.
extern const EffectFamily kRectCopyEffects;  // rectangle copies: stretches, slides, wipes, pushes
extern const EffectFamily kBarEffects;       // 5-pixel bars and criss-cross bars through a clip region
extern const EffectFamily kBlindEffects;     // slats, blinds and grids through a clip region
extern const EffectFamily kShapeEffects;     // rounded rectangles, triangles, sweeps, turning shapes as clips
extern const EffectFamily kBlendPivotEffects;  // the blend and the pivots, pixel by pixel
extern const EffectFamily kShredEffects;     // ragged shreds, speckles and random squares, drawn afresh each frame

}  // namespace kestro
