#pragma once

// The decoders behind the picture formats. Each takes a whole file's bytes,
// checks every size, offset and count against them, and raises the format's
// error for a damaged or truncated file.

#include <cstdint>
#include <span>

#include "imaging/pixels.h"

namespace kestro::imaging {

using ByteSpan = std::span<const std::uint8_t>;

enum class JpegOutput {
  kTrueColor,  // 24-bit output
  kPalette,    // 256-colour quantized output, expanded to 24 bits
};

// libjpeg: full size, accurate integer inverse transform, smooth chroma
// upsampling. Grayscale and CMYK files come out as RGB.
DecodedImage DecodeJPEG(ByteSpan data, JpegOutput output);
// The output the display calls for: a palette image on displays of 8 bits
// per pixel or fewer.
JpegOutput JpegOutputForDisplay();

// giflib: the first image rendered on the logical screen; transparent pixels
// show the screen's background colour.
DecodedImage DecodeGIF(ByteSpan data);

// libpng: every colour type and depth; transparency as alpha.
DecodedImage DecodePNG(ByteSpan data);

// libtiff: the first image, as RGBA.
DecodedImage DecodeTIFF(ByteSpan data);

// Windows bitmaps: a file with its file header, or a bare DIB.
DecodedImage DecodeBMP(ByteSpan data);

// Windows icons: the largest, deepest image of the directory, with its mask
// or alpha as alpha.
DecodedImage DecodeICO(ByteSpan data);

// ZSoft Paintbrush.
DecodedImage DecodePCX(ByteSpan data);

// Truevision Targa.
DecodedImage DecodeTarga(ByteSpan data);

// Portable bitmap, gray map and pixel map, plain and raw (P1 to P6).
DecodedImage DecodePNM(ByteSpan data);

// SGI images (verbatim and RLE, 8 and 16 bits per channel).
DecodedImage DecodeSGI(ByteSpan data);

// The preview picture inside an encapsulated PostScript file with a DOS EPS
// header (a TIFF or a Windows metafile). Raises EInvalidGraphic for a file
// without that header; kind kNone when it has no usable preview.
struct EpsPreview {
  enum Kind { kNone, kTIFF, kWMF } kind = kNone;
  ByteSpan data;
};
EpsPreview FindEPSPreview(ByteSpan data);

}  // namespace kestro::imaging
