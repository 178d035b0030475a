#pragma once

#include <string>

#include "common/error.h"

namespace kestro {

// A picture file that cannot be turned into a picture: an unknown extension,
// a damaged file of one of the formats decoded here, a format without a
// decoder on this platform.
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EInvalidGraphic"; }
};

// libjpeg refused the file; the message is "JPEG error #<libjpeg message code>".
class EJPEG : public EInvalidGraphic {
 public:
  explicit EJPEG(int code);
  EJPEG(int code, const std::string& message) : EInvalidGraphic(message), code_(code) {}
  const char* ClassName() const noexcept override { return "EJPEG"; }
  int Code() const { return code_; }

 private:
  int code_;
};

// giflib refused the file; the message is giflib's text for its error code
// (or "Unsupported GIF version").
class EGIFError : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
  const char* ClassName() const noexcept override { return "EGIFError"; }
};

// libpng refused the file; the message is libpng's.
class EPNGError : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
  const char* ClassName() const noexcept override { return "EPNGError"; }
};

// libtiff refused the file; the message is libtiff's.
class ETIFFError : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
  const char* ClassName() const noexcept override { return "ETIFFError"; }
};

namespace imaging {

// Largest picture any decoder accepts: per side and in total.
constexpr int kMaxPictureSide = 16384;
constexpr long long kMaxPicturePixels = 100'000'000;

struct PictureLimits {
  int maxSide = kMaxPictureSide;
  long long maxPixels = kMaxPicturePixels;
};
// The limits in force (the ones above unless lowered). Fuzz targets lower
// them so that each input decodes quickly; set before decoding starts.
PictureLimits CurrentPictureLimits();
void SetPictureLimits(PictureLimits limits);

// Raises EInvalidGraphic unless width x height is a picture size the decoders
// accept (both positive, within the current limits).
void CheckPictureSize(long long width, long long height);

}  // namespace imaging
}  // namespace kestro
