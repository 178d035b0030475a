#pragma once

#include <cstdint>

namespace kestro {

// Width of the roll at the moving edge of the unroll effects, for a picture
// `extent` long of which `uncovered` is uncovered: it grows with the
// uncovered part at the start, shrinks into the far edge at the end, and is a
// tenth of the picture in between.
std::int32_t RollWidth(std::int32_t extent, std::int32_t uncovered);

}  // namespace kestro
