#include "transition/effect.h"

#include <algorithm>

#include "common/arith.h"
#include "transition/effect_frame.h"
#include "transition/effects/families.h"

namespace kestro {

namespace {

// The table routine of effect N: the frame's plan, drawn whole.
template <int N>
void EffectRoutine(Bitmap24& screen, const Bitmap24& newPicture, const TRect& r, std::uint16_t step,
                   std::int32_t progress) {
  const TEffectExtents extents = EffectExtents(r, progress, step);
  EffectPlan plan;
  if (PlanEffect(N, extents, progress, plan)) DrawPlan(plan, N, extents, progress, screen, newPicture);
}

}  // namespace

// The display names of the effects, as the table has always stored them
// (spelling included), and the family that draws each. This table is the one
// place that says which family a number belongs to. An entry whose family is
// not built yet has neither family nor routine.
const TEffect EffectTable[kEffectCount + 1] = {
    {nullptr, nullptr, nullptr},  // 0: no effect
    {"Expand from right", &kRectCopyEffects, EffectRoutine<1>},  // 1
    {"Expand from left", &kRectCopyEffects, EffectRoutine<2>},  // 2
    {"Slide in from right", &kRectCopyEffects, EffectRoutine<3>},  // 3
    {"Slide in from left", &kRectCopyEffects, EffectRoutine<4>},  // 4
    {"Reveal from left", &kRectCopyEffects, EffectRoutine<5>},  // 5
    {"Reveal from right", &kRectCopyEffects, EffectRoutine<6>},  // 6
    {"Expand in from right", &kRectCopyEffects, EffectRoutine<7>},  // 7
    {"Expand in from left", &kRectCopyEffects, EffectRoutine<8>},  // 8
    {"Expand in to middle", &kRectCopyEffects, EffectRoutine<9>},  // 9
    {"Expand out from middle", &kRectCopyEffects, EffectRoutine<10>},  // 10
    {"Reveal out from middle", &kRectCopyEffects, EffectRoutine<11>},  // 11
    {"Reveal in from sides", &kRectCopyEffects, EffectRoutine<12>},  // 12
    {"Expand in from sides", &kRectCopyEffects, EffectRoutine<13>},  // 13
    {"Unroll from left", &kRectCopyEffects, EffectRoutine<14>},  // 14
    {"Unroll from right", &kRectCopyEffects, EffectRoutine<15>},  // 15
    {"Build up from right", &kRectCopyEffects, EffectRoutine<16>},  // 16
    {"Build up from left", &kRectCopyEffects, EffectRoutine<17>},  // 17
    {"Expand from bottom", &kRectCopyEffects, EffectRoutine<18>},  // 18
    {"Expand from top", &kRectCopyEffects, EffectRoutine<19>},  // 19
    {"Slide in from bottom", &kRectCopyEffects, EffectRoutine<20>},  // 20
    {"Slide in from top", &kRectCopyEffects, EffectRoutine<21>},  // 21
    {"Reveal from top", &kRectCopyEffects, EffectRoutine<22>},  // 22
    {"Reveal from bottom", &kRectCopyEffects, EffectRoutine<23>},  // 23
    {"Expand in from bottom", &kRectCopyEffects, EffectRoutine<24>},  // 24
    {"Expand in from top", &kRectCopyEffects, EffectRoutine<25>},  // 25
    {"Expand in to middle (horiz)", &kRectCopyEffects, EffectRoutine<26>},  // 26
    {"Expand out from middle (horiz)", &kRectCopyEffects, EffectRoutine<27>},  // 27
    {"Reveal from middle (horiz)", &kRectCopyEffects, EffectRoutine<28>},  // 28
    {"Slide in from top / bottom", &kRectCopyEffects, EffectRoutine<29>},  // 29
    {"Expand in from top / bottom", &kRectCopyEffects, EffectRoutine<30>},  // 30
    {"Unroll from top", &kRectCopyEffects, EffectRoutine<31>},  // 31
    {"Unroll from bottom", &kRectCopyEffects, EffectRoutine<32>},  // 32
    {"Build up from bottom", &kRectCopyEffects, EffectRoutine<33>},  // 33
    {"Build up from top", &kRectCopyEffects, EffectRoutine<34>},  // 34
    {"Expand from bottom right", &kRectCopyEffects, EffectRoutine<35>},  // 35
    {"Expand from top right", &kRectCopyEffects, EffectRoutine<36>},  // 36
    {"Expand from top left", &kRectCopyEffects, EffectRoutine<37>},  // 37
    {"Expand from bottom left", &kRectCopyEffects, EffectRoutine<38>},  // 38
    {"Slide in from bottom right", &kRectCopyEffects, EffectRoutine<39>},  // 39
    {"Slide in from top right", &kRectCopyEffects, EffectRoutine<40>},  // 40
    {"Slide in from top left", &kRectCopyEffects, EffectRoutine<41>},  // 41
    {"Slide in from bottom left", &kRectCopyEffects, EffectRoutine<42>},  // 42
    {"Reveal from top left", &kRectCopyEffects, EffectRoutine<43>},  // 43
    {"Reveal from bottom left", &kRectCopyEffects, EffectRoutine<44>},  // 44
    {"Reveal from bottom right", &kRectCopyEffects, EffectRoutine<45>},  // 45
    {"Reveal from top right", &kRectCopyEffects, EffectRoutine<46>},  // 46
    {"Appear and Contract to top left", &kRectCopyEffects, EffectRoutine<47>},  // 47
    {"Appear and Contract to bottom left", &kRectCopyEffects, EffectRoutine<48>},  // 48
    {"Appear and Contract to bottom right", &kRectCopyEffects, EffectRoutine<49>},  // 49
    {"Appear and Contract to top right", &kRectCopyEffects, EffectRoutine<50>},  // 50
    {"Appear and Contract to middle", &kRectCopyEffects, EffectRoutine<51>},  // 51
    {"Expand out from centre", &kRectCopyEffects, EffectRoutine<52>},  // 52
    {"Reveal out from centre", &kRectCopyEffects, EffectRoutine<53>},  // 53
    {"Reveal in to centre", &kRectCopyEffects, EffectRoutine<54>},  // 54
    {"Quarters Reveal in to middle", &kRectCopyEffects, EffectRoutine<55>},  // 55
    {"Quarters Expand to middle", &kRectCopyEffects, EffectRoutine<56>},  // 56
    {"Quarters Slide in to middle", &kRectCopyEffects, EffectRoutine<57>},  // 57
    {"Curved Reveal from left", &kShapeEffects, EffectRoutine<58>},  // 58
    {"Curved Reveal from right", &kShapeEffects, EffectRoutine<59>},  // 59
    {"Bars in from right", &kBarEffects, EffectRoutine<60>},  // 60
    {"Bars in from left", &kBarEffects, EffectRoutine<61>},  // 61
    {"Bars left then right", &kBarEffects, EffectRoutine<62>},  // 62
    {"Bars right then left", &kBarEffects, EffectRoutine<63>},  // 63
    {"Bars from both sides", &kBarEffects, EffectRoutine<64>},  // 64
    {"Uneven shred from right", &kShredEffects, EffectRoutine<65>},  // 65
    {"Uneven shred from left", &kShredEffects, EffectRoutine<66>},  // 66
    {"Uneven shred out from middle (horiz)", &kShredEffects, EffectRoutine<67>},  // 67
    {"Uneven shred in to middle (horiz)", &kShredEffects, EffectRoutine<68>},  // 68
    {"Curved Reveal from top", &kShapeEffects, EffectRoutine<69>},  // 69
    {"Curved Reveal from bottom", &kShapeEffects, EffectRoutine<70>},  // 70
    {"Bars from bottom", &kBarEffects, EffectRoutine<71>},  // 71
    {"Bars from top", &kBarEffects, EffectRoutine<72>},  // 72
    {"Bars top then bottom", &kBarEffects, EffectRoutine<73>},  // 73
    {"Bars bottom then top", &kBarEffects, EffectRoutine<74>},  // 74
    {"Bars from top and bottom", &kBarEffects, EffectRoutine<75>},  // 75
    {"Unven shred from bottom", &kShredEffects, EffectRoutine<76>},  // 76
    {"Uneven shred from top", &kShredEffects, EffectRoutine<77>},  // 77
    {"Uneven shred from horizon", &kShredEffects, EffectRoutine<78>},  // 78
    {"Uneven shred in to horizon", &kShredEffects, EffectRoutine<79>},  // 79
    {"Curved reveal from top left", &kShapeEffects, EffectRoutine<80>},  // 80
    {"Curved reveal from top right", &kShapeEffects, EffectRoutine<81>},  // 81
    {"Curved reveal from bottom left", &kShapeEffects, EffectRoutine<82>},  // 82
    {"Curved reveal from bottom right", &kShapeEffects, EffectRoutine<83>},  // 83
    {"Circular reveal from centre", &kShapeEffects, EffectRoutine<84>},  // 84
    {"Circular reveal to centre", &kShapeEffects, EffectRoutine<85>},  // 85
    {"Criss Cross reveal from bottom right", &kBarEffects, EffectRoutine<86>},  // 86
    {"Criss Cross reveal from top right", &kBarEffects, EffectRoutine<87>},  // 87
    {"Criss Cross reveal from bottom left", &kBarEffects, EffectRoutine<88>},  // 88
    {"Criss Cross reveal from top left", &kBarEffects, EffectRoutine<89>},  // 89
    {"Criss Cross reveal bounce from top left", &kBarEffects, EffectRoutine<90>},  // 90
    {"Criss Cross reveal bounce from bottom left", &kBarEffects, EffectRoutine<91>},  // 91
    {"Criss Cross reveal bounce from top right", &kBarEffects, EffectRoutine<92>},  // 92
    {"Criss Cross reveal bounce from bottom right", &kBarEffects, EffectRoutine<93>},  // 93
    {"Criss Cross reveal from right top and bottom", &kBarEffects, EffectRoutine<94>},  // 94
    {"Criss Cross reveal from left top and bottom", &kBarEffects, EffectRoutine<95>},  // 95
    {"Criss Cross reveal from left right and bottom", &kBarEffects, EffectRoutine<96>},  // 96
    {"Criss Cross reveal from left right and top", &kBarEffects, EffectRoutine<97>},  // 97
    {"Criss Cross reveal from top left right and bottom", &kBarEffects, EffectRoutine<98>},  // 98
    {"Criss Cross reveal from bottom left top right", &kBarEffects, EffectRoutine<99>},  // 99
    {"Uneven shred from bottom and right", &kShredEffects, EffectRoutine<100>},  // 100
    {"Uneven shred from top and right", &kShredEffects, EffectRoutine<101>},  // 101
    {"Uneven shred from bottom and left", &kShredEffects, EffectRoutine<102>},  // 102
    {"Uneven shred from top and left", &kShredEffects, EffectRoutine<103>},  // 103
    {"Uneven shred from horiz and right", &kShredEffects, EffectRoutine<104>},  // 104
    {"Uneven shred from horiz and left", &kShredEffects, EffectRoutine<105>},  // 105
    {"Uneven shred from bottom and vert middle", &kShredEffects, EffectRoutine<106>},  // 106
    {"Uneven shred from top and vert middle", &kShredEffects, EffectRoutine<107>},  // 107
    {"Uneven shred from centre", &kShredEffects, EffectRoutine<108>},  // 108
    {"Uneven shred to centre", &kShredEffects, EffectRoutine<109>},  // 109
    {"Reveal diagonal from top left", &kShapeEffects, EffectRoutine<110>},  // 110
    {"Reveal diagonal from top right", &kShapeEffects, EffectRoutine<111>},  // 111
    {"Reveal diagonal from bottom left", &kShapeEffects, EffectRoutine<112>},  // 112
    {"Reveal diagonal from bottom right", &kShapeEffects, EffectRoutine<113>},  // 113
    {"Diagonal sweep from top left bottom right anticlockwise", &kShapeEffects, EffectRoutine<114>},  // 114
    {"Diagonal sweep from top left bottom right clockwise", &kShapeEffects, EffectRoutine<115>},  // 115
    {"Starburst clockwise from center", &kShapeEffects, EffectRoutine<116>},  // 116
    {"Triangular shred to top left", &kShapeEffects, EffectRoutine<117>},  // 117
    {"Fade", &kBlendPivotEffects, EffectRoutine<118>},  // 118
    {"Pivot from top left", &kBlendPivotEffects, EffectRoutine<119>},  // 119
    {"Pivot from bottom left", &kBlendPivotEffects, EffectRoutine<120>},  // 120
    {"Pivot from top right", &kBlendPivotEffects, EffectRoutine<121>},  // 121
    {"Pivot from bottom right", &kBlendPivotEffects, EffectRoutine<122>},  // 122
    {"Speckle appear from right", &kShredEffects, EffectRoutine<123>},  // 123
    {"Speckle appear from left", &kShredEffects, EffectRoutine<124>},  // 124
    {"Speckle appear from bottom", &kShredEffects, EffectRoutine<125>},  // 125
    {"Speckle appear from top", &kShredEffects, EffectRoutine<126>},  // 126
    {"Random squares appear", &kShredEffects, EffectRoutine<127>},  // 127
    {"Push right", &kRectCopyEffects, EffectRoutine<128>},  // 128
    {"Push left", &kRectCopyEffects, EffectRoutine<129>},  // 129
    {"Push and squeeze right", &kRectCopyEffects, EffectRoutine<130>},  // 130
    {"Push and squeeze left", &kRectCopyEffects, EffectRoutine<131>},  // 131
    {"Push down", &kRectCopyEffects, EffectRoutine<132>},  // 132
    {"Push up", &kRectCopyEffects, EffectRoutine<133>},  // 133
    {"Push and sqeeze down", &kRectCopyEffects, EffectRoutine<134>},  // 134
    {"Push and sqeeze up", &kRectCopyEffects, EffectRoutine<135>},  // 135
    {"Blind vertically", &kBlindEffects, EffectRoutine<136>},  // 136
    {"Blind horizontally", &kBlindEffects, EffectRoutine<137>},  // 137
    {"Uneven blind from left", &kBlindEffects, EffectRoutine<138>},  // 138
    {"Uneven blind from right", &kBlindEffects, EffectRoutine<139>},  // 139
    {"Uneven blind from top", &kBlindEffects, EffectRoutine<140>},  // 140
    {"Uneven blind from bottom", &kBlindEffects, EffectRoutine<141>},  // 141
    {"Rectangular shred", &kBlindEffects, EffectRoutine<142>},  // 142
    {"Sweep clockwise", &kShapeEffects, EffectRoutine<143>},  // 143
    {"Sweep anticlockwise", &kShapeEffects, EffectRoutine<144>},  // 144
    {"Rectangles apear from left and disapear to right", &kBlindEffects, EffectRoutine<145>},  // 145
    {"Rectangles apear from right and disapear to left", &kBlindEffects, EffectRoutine<146>},  // 146
    {"Rectangles apear from up and disapear to bottom", &kBlindEffects, EffectRoutine<147>},  // 147
    {"Rectangles apear from bottom and disapear to up", &kBlindEffects, EffectRoutine<148>},  // 148
    {"Rotational rectangle", &kShapeEffects, EffectRoutine<149>},  // 149
    {"Rotational star", &kShapeEffects, EffectRoutine<150>},  // 150
};

const TEffect* FindEffect(int number) {
  if (number < 1 || number > kEffectCount) return nullptr;
  return &EffectTable[number];
}

bool EffectImplemented(int number) {
  const TEffect* effect = FindEffect(number);
  return effect != nullptr && effect->Family != nullptr;
}

std::vector<int> BuiltEffects() {
  std::vector<int> numbers;
  for (int n = 1; n <= kEffectCount; ++n) {
    if (EffectImplemented(n)) numbers.push_back(n);
  }
  return numbers;
}

std::vector<int> FamilyMembers(const EffectFamily& family) {
  std::vector<int> numbers;
  for (int n = 1; n <= kEffectCount; ++n) {
    if (EffectTable[n].Family == &family) numbers.push_back(n);
  }
  return numbers;
}

bool PlanEffect(int number, const TEffectExtents& extents, std::int32_t progress, EffectPlan& plan) {
  plan.Reset();
  const TEffect* effect = FindEffect(number);
  if (effect == nullptr || effect->Family == nullptr) return false;
  return effect->Family->Plan(number, extents, progress, plan);
}

TEffectExtents EffectExtents(const TRect& r, std::int32_t progress, std::uint16_t step) {
  TEffectExtents e;
  e.W = r.Right - r.Left;
  e.H = r.Bottom - r.Top;
  if (e.W >= e.H) {
    e.PX = MulDiv(e.W, progress, 100);
    e.PY = e.W == 0 ? 0 : MulDiv(e.PX, e.H, e.W);
  } else {
    e.PY = MulDiv(e.H, progress, 100);
    e.PX = e.H == 0 ? 0 : MulDiv(e.PY, e.W, e.H);
  }
  e.Unit = MulDiv(std::max(e.W, e.H), step, 90);
  return e;
}

}  // namespace kestro
