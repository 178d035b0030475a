// TIFF through libtiff, reading from memory. libtiff's warnings are dropped
// and its first error becomes the message of the error raised here.

#include <algorithm>
#include <cstdarg>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <tiffio.h>

#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

struct TiffSource {
  ByteSpan data;
  std::uint64_t pos = 0;
  std::string error;
};

extern "C" {

tmsize_t TiffRead(thandle_t h, void* buffer, tmsize_t size) {
  auto* s = static_cast<TiffSource*>(h);
  if (size <= 0 || s->pos >= s->data.size()) return 0;
  const std::uint64_t n = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), s->data.size() - s->pos);
  std::memcpy(buffer, s->data.data() + s->pos, static_cast<std::size_t>(n));
  s->pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t, void*, tmsize_t) { return 0; }

toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  auto* s = static_cast<TiffSource*>(h);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = s->pos;
  else if (whence == SEEK_END) base = s->data.size();
  // Offsets beyond the data are allowed; reads there return nothing.
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  s->pos = base + offset;
  return s->pos;
}

int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<TiffSource*>(h)->data.size(); }

// The bytes are already in memory: libtiff reads them as a mapped file,
// only reading, and checks every offset against the size. (libtiff's
// unmapped path refuses uncompressed tiles: it compares the tile size with
// its rounded-up read buffer.)
int TiffMap(thandle_t h, void** base, toff_t* size) {
  auto* s = static_cast<TiffSource*>(h);
  *base = const_cast<std::uint8_t*>(s->data.data());
  *size = s->data.size();
  return 1;
}
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffErrorHandler(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* s = static_cast<TiffSource*>(user);
  if (s->error.empty()) {
    char text[300];
    std::vsnprintf(text, sizeof text, fmt, ap);
    s->error = (module != nullptr && *module != '\0') ? std::string(module) + ": " + text : std::string(text);
  }
  return 1;
}

int TiffWarningHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // extern "C"

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};

[[noreturn]] void Fail(const TiffSource& s, const char* fallback) {
  throw ETIFFError(s.error.empty() ? std::string(fallback) : s.error);
}

// Whether libtiff's RGBA interface hands out this image's colour
// premultiplied by alpha. It premultiplies unassociated alpha for colour
// pictures, but passes 8-bit grey with alpha, stored contiguously, as
// stored: straight when the alpha is unassociated.
bool RgbaIsPremultiplied(TIFF* tif) {
  // Without the tag libtiff takes one colour channel for grey.
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK, planar = 0, bits = 0, samples = 0, extraCount = 0;
  std::uint16_t* extra = nullptr;
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  const bool unassociated = extraCount >= 1 && extra != nullptr && extra[0] == EXTRASAMPLE_UNASSALPHA;
  return !(grey && planar == PLANARCONFIG_CONTIG && bits == 8 && samples == 2 && unassociated);
}

}  // namespace

DecodedImage DecodeTIFF(ByteSpan data) {
  // Errors raised before a handle exists would otherwise go to the global
  // handlers, which print.
  static const bool quiet = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)quiet;

  TiffSource source{data, 0, {}};
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
  if (!options) throw ETIFFError("Out of memory");
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), TiffErrorHandler, &source);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), TiffWarningHandler, &source);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), 512 * 1024 * 1024);
  std::unique_ptr<TIFF, TiffDeleter> tif(TIFFClientOpenExt("picture", "r", &source, TiffRead, TiffWrite, TiffSeek,
                                                           TiffClose, TiffSize, TiffMap, TiffUnmap, options.get()));
  if (!tif) Fail(source, "Not a TIFF file");

  std::uint32_t width = 0, height = 0;
  if (TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 || TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) != 1) {
    Fail(source, "TIFF image has no size");
  }
  CheckPictureSize(width, height);
  char reason[1024] = {};
  if (TIFFRGBAImageOK(tif.get(), reason) != 1) throw ETIFFError(reason[0] != '\0' ? reason : "Unsupported TIFF image");

  const bool premultiplied = RgbaIsPremultiplied(tif.get());
  std::vector<std::uint32_t> raster(static_cast<std::size_t>(width) * height);
  if (TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 1) != 1) {
    Fail(source, "TIFF image data is damaged");
  }

  DecodedImage image;
  image.pixels = Bitmap24(static_cast<int>(width), static_cast<int>(height));
  image.alpha.resize(raster.size());
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* d = image.pixels.ScanLine(static_cast<int>(y));
    const std::uint32_t* s = raster.data() + static_cast<std::size_t>(y) * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t p = s[x];
      unsigned r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
      const unsigned a = TIFFGetA(p);
      // Blending wants the colour straight.
      if (premultiplied && a != 0 && a != 255) {
        r = std::min(255u, (r * 255 + a / 2) / a);
        g = std::min(255u, (g * 255 + a / 2) / a);
        b = std::min(255u, (b * 255 + a / 2) / a);
      }
      PutRGB(d, static_cast<int>(x), static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
      image.alpha[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(a);
    }
  }
  DropOpaqueAlpha(image);
  return image;
}

}  // namespace kestro::imaging
