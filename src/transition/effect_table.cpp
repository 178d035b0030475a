#include "transition/effect.h"

#include <algorithm>

#include "common/arith.h"

namespace kestro {

namespace {

// The table routine of effect N: the frame's plan, drawn whole.
template <int N>
void PlannedEffect(Bitmap24& screen, const Bitmap24& newPicture, const TRect& r, std::uint16_t step,
                   std::int32_t progress) {
  EffectPlan plan;
  if (PlanEffect(N, EffectExtents(r, progress, step), progress, plan)) DrawPlan(plan, screen, newPicture, progress);
}

}  // namespace

// The display names of the effects, as the table has always stored them
// (spelling included). An entry whose family is not built yet has no
// routine, and says so.
const TEffect EffectTable[kEffectCount + 1] = {
    {nullptr, nullptr},  // 0: no effect
    {"Expand from right", PlannedEffect<1>},  // 1
    {"Expand from left", PlannedEffect<2>},  // 2
    {"Slide in from right", PlannedEffect<3>},  // 3
    {"Slide in from left", PlannedEffect<4>},  // 4
    {"Reveal from left", PlannedEffect<5>},  // 5
    {"Reveal from right", PlannedEffect<6>},  // 6
    {"Expand in from right", PlannedEffect<7>},  // 7
    {"Expand in from left", PlannedEffect<8>},  // 8
    {"Expand in to middle", PlannedEffect<9>},  // 9
    {"Expand out from middle", PlannedEffect<10>},  // 10
    {"Reveal out from middle", PlannedEffect<11>},  // 11
    {"Reveal in from sides", PlannedEffect<12>},  // 12
    {"Expand in from sides", PlannedEffect<13>},  // 13
    {"Unroll from left", PlannedEffect<14>},  // 14
    {"Unroll from right", PlannedEffect<15>},  // 15
    {"Build up from right", PlannedEffect<16>},  // 16
    {"Build up from left", PlannedEffect<17>},  // 17
    {"Expand from bottom", PlannedEffect<18>},  // 18
    {"Expand from top", PlannedEffect<19>},  // 19
    {"Slide in from bottom", PlannedEffect<20>},  // 20
    {"Slide in from top", PlannedEffect<21>},  // 21
    {"Reveal from top", PlannedEffect<22>},  // 22
    {"Reveal from bottom", PlannedEffect<23>},  // 23
    {"Expand in from bottom", PlannedEffect<24>},  // 24
    {"Expand in from top", PlannedEffect<25>},  // 25
    {"Expand in to middle (horiz)", PlannedEffect<26>},  // 26
    {"Expand out from middle (horiz)", PlannedEffect<27>},  // 27
    {"Reveal from middle (horiz)", PlannedEffect<28>},  // 28
    {"Slide in from top / bottom", PlannedEffect<29>},  // 29
    {"Expand in from top / bottom", PlannedEffect<30>},  // 30
    {"Unroll from top", PlannedEffect<31>},  // 31
    {"Unroll from bottom", PlannedEffect<32>},  // 32
    {"Build up from bottom", PlannedEffect<33>},  // 33
    {"Build up from top", PlannedEffect<34>},  // 34
    {"Expand from bottom right", PlannedEffect<35>},  // 35
    {"Expand from top right", PlannedEffect<36>},  // 36
    {"Expand from top left", PlannedEffect<37>},  // 37
    {"Expand from bottom left", PlannedEffect<38>},  // 38
    {"Slide in from bottom right", PlannedEffect<39>},  // 39
    {"Slide in from top right", PlannedEffect<40>},  // 40
    {"Slide in from top left", PlannedEffect<41>},  // 41
    {"Slide in from bottom left", PlannedEffect<42>},  // 42
    {"Reveal from top left", PlannedEffect<43>},  // 43
    {"Reveal from bottom left", PlannedEffect<44>},  // 44
    {"Reveal from bottom right", PlannedEffect<45>},  // 45
    {"Reveal from top right", PlannedEffect<46>},  // 46
    {"Appear and Contract to top left", PlannedEffect<47>},  // 47
    {"Appear and Contract to bottom left", PlannedEffect<48>},  // 48
    {"Appear and Contract to bottom right", PlannedEffect<49>},  // 49
    {"Appear and Contract to top right", PlannedEffect<50>},  // 50
    {"Appear and Contract to middle", PlannedEffect<51>},  // 51
    {"Expand out from centre", PlannedEffect<52>},  // 52
    {"Reveal out from centre", PlannedEffect<53>},  // 53
    {"Reveal in to centre", PlannedEffect<54>},  // 54
    {"Quarters Reveal in to middle", PlannedEffect<55>},  // 55
    {"Quarters Expand to middle", PlannedEffect<56>},  // 56
    {"Quarters Slide in to middle", PlannedEffect<57>},  // 57
    {"Curved Reveal from left", nullptr},  // 58
    {"Curved Reveal from right", nullptr},  // 59
    {"Bars in from right", nullptr},  // 60
    {"Bars in from left", nullptr},  // 61
    {"Bars left then right", nullptr},  // 62
    {"Bars right then left", nullptr},  // 63
    {"Bars from both sides", nullptr},  // 64
    {"Uneven shred from right", nullptr},  // 65
    {"Uneven shred from left", nullptr},  // 66
    {"Uneven shred out from middle (horiz)", nullptr},  // 67
    {"Uneven shred in to middle (horiz)", nullptr},  // 68
    {"Curved Reveal from top", nullptr},  // 69
    {"Curved Reveal from bottom", nullptr},  // 70
    {"Bars from bottom", nullptr},  // 71
    {"Bars from top", nullptr},  // 72
    {"Bars top then bottom", nullptr},  // 73
    {"Bars bottom then top", nullptr},  // 74
    {"Bars from top and bottom", nullptr},  // 75
    {"Unven shred from bottom", nullptr},  // 76
    {"Uneven shred from top", nullptr},  // 77
    {"Uneven shred from horizon", nullptr},  // 78
    {"Uneven shred in to horizon", nullptr},  // 79
    {"Curved reveal from top left", nullptr},  // 80
    {"Curved reveal from top right", nullptr},  // 81
    {"Curved reveal from bottom left", nullptr},  // 82
    {"Curved reveal from bottom right", nullptr},  // 83
    {"Circular reveal from centre", nullptr},  // 84
    {"Circular reveal to centre", nullptr},  // 85
    {"Criss Cross reveal from bottom right", nullptr},  // 86
    {"Criss Cross reveal from top right", nullptr},  // 87
    {"Criss Cross reveal from bottom left", nullptr},  // 88
    {"Criss Cross reveal from top left", nullptr},  // 89
    {"Criss Cross reveal bounce from top left", nullptr},  // 90
    {"Criss Cross reveal bounce from bottom left", nullptr},  // 91
    {"Criss Cross reveal bounce from top right", nullptr},  // 92
    {"Criss Cross reveal bounce from bottom right", nullptr},  // 93
    {"Criss Cross reveal from right top and bottom", nullptr},  // 94
    {"Criss Cross reveal from left top and bottom", nullptr},  // 95
    {"Criss Cross reveal from left right and bottom", nullptr},  // 96
    {"Criss Cross reveal from left right and top", nullptr},  // 97
    {"Criss Cross reveal from top left right and bottom", nullptr},  // 98
    {"Criss Cross reveal from bottom left top right", nullptr},  // 99
    {"Uneven shred from bottom and right", nullptr},  // 100
    {"Uneven shred from top and right", nullptr},  // 101
    {"Uneven shred from bottom and left", nullptr},  // 102
    {"Uneven shred from top and left", nullptr},  // 103
    {"Uneven shred from horiz and right", nullptr},  // 104
    {"Uneven shred from horiz and left", nullptr},  // 105
    {"Uneven shred from bottom and vert middle", nullptr},  // 106
    {"Uneven shred from top and vert middle", nullptr},  // 107
    {"Uneven shred from centre", nullptr},  // 108
    {"Uneven shred to centre", nullptr},  // 109
    {"Reveal diagonal from top left", nullptr},  // 110
    {"Reveal diagonal from top right", nullptr},  // 111
    {"Reveal diagonal from bottom left", nullptr},  // 112
    {"Reveal diagonal from bottom right", nullptr},  // 113
    {"Diagonal sweep from top left bottom right anticlockwise", nullptr},  // 114
    {"Diagonal sweep from top left bottom right clockwise", nullptr},  // 115
    {"Starburst clockwise from center", nullptr},  // 116
    {"Triangular shred to top left", nullptr},  // 117
    {"Fade", nullptr},  // 118
    {"Pivot from top left", nullptr},  // 119
    {"Pivot from bottom left", nullptr},  // 120
    {"Pivot from top right", nullptr},  // 121
    {"Pivot from bottom right", nullptr},  // 122
    {"Speckle appear from right", nullptr},  // 123
    {"Speckle appear from left", nullptr},  // 124
    {"Speckle appear from bottom", nullptr},  // 125
    {"Speckle appear from top", nullptr},  // 126
    {"Random squares appear", nullptr},  // 127
    {"Push right", PlannedEffect<128>},  // 128
    {"Push left", PlannedEffect<129>},  // 129
    {"Push and squeeze right", PlannedEffect<130>},  // 130
    {"Push and squeeze left", PlannedEffect<131>},  // 131
    {"Push down", PlannedEffect<132>},  // 132
    {"Push up", PlannedEffect<133>},  // 133
    {"Push and sqeeze down", PlannedEffect<134>},  // 134
    {"Push and sqeeze up", PlannedEffect<135>},  // 135
    {"Blind vertically", nullptr},  // 136
    {"Blind horizontally", nullptr},  // 137
    {"Uneven blind from left", nullptr},  // 138
    {"Uneven blind from right", nullptr},  // 139
    {"Uneven blind from top", nullptr},  // 140
    {"Uneven blind from bottom", nullptr},  // 141
    {"Rectangular shred", nullptr},  // 142
    {"Sweep clockwise", nullptr},  // 143
    {"Sweep anticlockwise", nullptr},  // 144
    {"Rectangles apear from left and disapear to right", nullptr},  // 145
    {"Rectangles apear from right and disapear to left", nullptr},  // 146
    {"Rectangles apear from up and disapear to bottom", nullptr},  // 147
    {"Rectangles apear from bottom and disapear to up", nullptr},  // 148
    {"Rotational rectangle", nullptr},  // 149
    {"Rotational star", nullptr},  // 150
};

const TEffect* FindEffect(int number) {
  if (number < 1 || number > kEffectCount) return nullptr;
  return &EffectTable[number];
}

bool EffectImplemented(int number) {
  const TEffect* effect = FindEffect(number);
  return effect != nullptr && effect->Proc != nullptr;
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
