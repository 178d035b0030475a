#pragma once

// Pictures the runtime's format registry does not know but phones and the
// web make (HEIC/HEIF, AVIF, WebP): decoded here, upright, so the builder can
// store them as JPEG.

#include <string_view>
#include <vector>

#include "exif.h"
#include "imaging/pixels.h"

namespace kestro::builder {

struct PhoneFormat {
  const char* name;                       // "HEIF", "AVIF", "WebP"
  std::vector<const char*> extensions;    // lower case, without the dot
  bool available;                         // this build has the library
  DecodedImage (*decode)(ConstBytes data);
};

// Every format the builder converts, available in this build or not.
const std::vector<PhoneFormat>& PhoneFormats();
// The format of an extension given without the dot, ignoring case; nullptr for others.
const PhoneFormat* FindPhoneFormat(std::string_view extension);

// Decodes the file's first (primary) picture, turned as the file says: the
// HEIF and AVIF rotation and mirror properties, WebP's EXIF orientation.
// Alpha is kept. Raises EInvalidGraphic with the library's message for a file
// it cannot read, and for a picture beyond the runtime's size limits.
DecodedImage DecodePhonePicture(const PhoneFormat& format, ConstBytes data);

}  // namespace kestro::builder
