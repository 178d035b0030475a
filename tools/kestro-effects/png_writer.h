#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/error.h"
#include "raster/bitmap24.h"

namespace kestro::effects_tool {

// A PNG file that cannot be written.
KESTRO_DECLARE_ERROR(EPNGWriteError);

// Writes the bitmap as an 8-bit RGB PNG file, replacing an existing file.
void WritePNG(const Bitmap24& bitmap, const std::string& fileName);

// Writes a whole file, replacing an existing one; raises EFCreateError or
// EInOutError when it cannot.
void WriteFileBytes(const std::string& fileName, const std::uint8_t* data, std::size_t size);

}  // namespace kestro::effects_tool
