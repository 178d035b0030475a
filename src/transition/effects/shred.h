#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "raster/region.h"

namespace kestro {

// The ragged builders below draw from the shared generator (RandomBelow) as
// they go, so two calls with the same arguments give different regions.
// Pieces whose edges come out reversed stand for the rectangle with its
// edges swapped, as the platform's rectangle region makes of them.

// The shred builder: strips 5 pixels apart (each 5 + H mod 5 rows or
// 5 + W mod 5 columns thick, so the last reaches the far edge) whose ends
// are jittered by up to a seventh of the side while the strips are shorter
// than the side. Horizontal strips of length XLen grow as RowKind says,
// vertical strips of length YLen as ColumnKind says: 0 none, 1 from the
// right or bottom, 2 from the left or top, 3 out from the centre line,
// 4 in from both ends to the centre line. Rows are built first.
Region ShredRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind, std::int32_t H);

// The speckle builder: overlapping bands, each a solid part of length XLen
// (rows) or YLen (columns) from the right or bottom (kind 1) or from the left
// or top (kind 2), with blocks scattered ahead of its edge, the nearer ones
// more likely. Kind 0 makes no bands on that axis. Rows are built first.
Region SpeckleRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind,
                     std::int32_t H);

// The random squares of a W x H picture at progress p: on a grid of cell
// size D, each point carries a square 2D wide centred on it with chance p %.
Region RandomSquaresRegion(std::int32_t W, std::int32_t H, std::int32_t progress);
// The random squares' cell size: p div 10 + min(W, H) div 50, at least 1.
std::int32_t RandomSquareCell(std::int32_t W, std::int32_t H, std::int32_t progress);

// How a member of the family calls its builder: the kinds, and whether the
// row and column lengths are PX and PY (else 0).
struct ShredMember {
  enum class Builder { kShred, kSpeckle, kSquares };
  int number;
  Builder builder;
  int rowKind;
  int columnKind;
  bool rowLength;
  bool columnLength;
};
// The member entry of a number, or nullptr for other numbers.
const ShredMember* ShredMemberOf(int number);

}  // namespace kestro
