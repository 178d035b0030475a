#pragma once

#include <string>

#include "imaging/picture.h"

namespace kestro {

// Fills `picture` from the file: JPEG and GIF files (by their extensions
// .jpg, .jpeg and .gif) straight into the picture's bitmap, every other file
// through the format registry. Pictures other than .jpg, .jpeg, .gif and
// .bmp files are then flattened: drawn onto a bitmap of their size filled
// with `flattenColor`, which replaces the content.
void LoadPicture(TPicture& picture, const std::string& fileName, TColor flattenColor);

// Decodes a JPEG file into `bitmap`; a file that does not exist leaves the
// bitmap as it is and raises nothing.
void JPEGFileToBitmap(TBitmap& bitmap, const std::string& fileName);

// Decodes a GIF file's first image, rendered on its logical screen, into
// `bitmap`.
void GIFFileToBitmap(TBitmap& bitmap, const std::string& fileName);

}  // namespace kestro
