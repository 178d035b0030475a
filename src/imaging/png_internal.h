#pragma once

#include "imaging/decoders.h"

namespace kestro::imaging {

// True when the data starts with the PNG signature (icons may hold PNGs).
bool IsPNG(ByteSpan data);

}  // namespace kestro::imaging
