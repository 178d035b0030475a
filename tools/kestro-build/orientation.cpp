#include "orientation.h"

#include <cstring>
#include <utility>

#ifdef KESTRO_BUILDER_TURBOJPEG
#include <turbojpeg.h>
#endif

#include "imaging/errors.h"

namespace kestro::builder {

namespace {

// The stored pixel that lands at (x, y) of the upright picture, for stored
// pictures of w x h.
std::pair<int, int> StoredPixel(std::uint32_t orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
  }
}

}  // namespace

const char* TurningText(std::uint32_t orientation) {
  switch (orientation) {
    case 2: return "mirrored left to right";
    case 3: return "turned 180 degrees";
    case 4: return "mirrored top to bottom";
    case 5: return "mirrored across its diagonal";
    case 6: return "turned 90 degrees clockwise";
    case 7: return "mirrored across its other diagonal";
    case 8: return "turned 90 degrees anticlockwise";
    default: return "left as it is";
  }
}

DecodedImage ApplyOrientation(const DecodedImage& image, std::uint32_t orientation) {
  const int w = image.Width(), h = image.Height();
  const bool swap = SwapsSides(orientation);
  const int outW = swap ? h : w, outH = swap ? w : h;
  DecodedImage out;
  out.pixels = Bitmap24(outW, outH);
  if (image.HasAlpha()) out.alpha.resize(static_cast<std::size_t>(outW) * outH);
  for (int y = 0; y < outH; ++y) {
    std::uint8_t* row = out.pixels.ScanLine(y);
    for (int x = 0; x < outW; ++x) {
      const auto [sx, sy] = StoredPixel(TurnsPicture(orientation) ? orientation : 1, x, y, w, h);
      std::memcpy(row + 3 * static_cast<std::size_t>(x), image.pixels.ScanLine(sy) + 3 * static_cast<std::size_t>(sx), 3);
      if (image.HasAlpha()) {
        out.alpha[static_cast<std::size_t>(y) * outW + x] = image.alpha[static_cast<std::size_t>(sy) * w + sx];
      }
    }
  }
  return out;
}

#ifdef KESTRO_BUILDER_TURBOJPEG

namespace {

class Transformer {
 public:
  Transformer() : handle_(tjInitTransform()) {
    if (handle_ == nullptr) throw EBuildError("Cannot start the JPEG transformer");
  }
  ~Transformer() { tjDestroy(handle_); }
  Transformer(const Transformer&) = delete;
  Transformer& operator=(const Transformer&) = delete;

  // TurboJPEG answers -1 for a warning too, with the work done.
  std::pair<int, int> Size(ConstBytes jpeg, JpegWarnings warnings) {
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle_, jpeg.data(), static_cast<unsigned long>(jpeg.size()), &width, &height,
                            &subsampling, &colorspace) != 0) {
      const std::string message = tjGetErrorStr2(handle_);
      if (tjGetErrorCode(handle_) != TJERR_WARNING || width <= 0 || height <= 0) {
        throw EBuildError("Cannot read the JPEG header: " + message);
      }
      if (warnings == JpegWarnings::kRefuse) throw EJpegWarning(message);
    }
    return {width, height};
  }

  // True when done; false, with the message kept, when TurboJPEG refused.
  bool Transform(ConstBytes jpeg, int op, int options, JpegWarnings warnings, std::string& out) {
    // Scans without end are a damaged file's way to keep a decoder busy.
    const int flags = TJFLAG_LIMITSCANS | (warnings == JpegWarnings::kRefuse ? TJFLAG_STOPONWARNING : 0);
    unsigned char* result = nullptr;
    unsigned long resultSize = 0;
    tjtransform transform{};
    transform.op = op;
    transform.options = options;
    const int status = tjTransform(handle_, jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1, &result,
                                   &resultSize, &transform, flags);
    const bool warning = status != 0 && tjGetErrorCode(handle_) == TJERR_WARNING;
    const bool done = result != nullptr && resultSize > 0 && (status == 0 || (warning && warnings == JpegWarnings::kAccept));
    if (done) out.assign(reinterpret_cast<const char*>(result), resultSize);
    if (!done) {
      message_ = tjGetErrorStr2(handle_);
      warning_ = warning;
    }
    tjFree(result);
    return done;
  }
  const std::string& Message() const { return message_; }
  bool Warning() const { return warning_; }

 private:
  tjhandle handle_;
  std::string message_;
  bool warning_ = false;
};

int TransformFor(std::uint32_t orientation) {
  switch (orientation) {
    case 2: return TJXOP_HFLIP;
    case 3: return TJXOP_ROT180;
    case 4: return TJXOP_VFLIP;
    case 5: return TJXOP_TRANSPOSE;
    case 6: return TJXOP_ROT90;
    case 7: return TJXOP_TRANSVERSE;
    case 8: return TJXOP_ROT270;
    default: return TJXOP_NONE;
  }
}

}  // namespace

bool LosslessTurningAvailable() { return true; }

TurnedJpeg TurnJpegUpright(ConstBytes jpeg, std::uint32_t orientation, JpegWarnings warnings) {
  if (!TurnsPicture(orientation)) throw EBuildError("Orientation " + std::to_string(orientation) + " turns nothing");
  Transformer tj;
  const auto [width, height] = tj.Size(jpeg, warnings);
  imaging::CheckPictureSize(width, height);
  const int op = TransformFor(orientation);
  TurnedJpeg turned;
  // Perfect when the size allows it, else without the partial edge blocks.
  if (!tj.Transform(jpeg, op, TJXOPT_PERFECT, warnings, turned.bytes) &&
      !tj.Transform(jpeg, op, TJXOPT_TRIM, warnings, turned.bytes)) {
    if (tj.Warning()) throw EJpegWarning(tj.Message());
    throw EBuildError("Cannot turn the JPEG picture: " + tj.Message());
  }
  const auto [outW, outH] =
      tj.Size(ConstBytes(reinterpret_cast<const std::uint8_t*>(turned.bytes.data()), turned.bytes.size()),
              JpegWarnings::kAccept);
  turned.width = outW;
  turned.height = outH;
  turned.trimmedColumns = (SwapsSides(orientation) ? height : width) - outW;
  turned.trimmedRows = (SwapsSides(orientation) ? width : height) - outH;

  std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(turned.bytes.data()), turned.bytes.size());
  if (const auto block = FindJpegExif(bytes)) {
    const auto exif = bytes.subspan(block->offset, block->size);
    MarkExifUpright(exif, ReadExifFields(exif), static_cast<std::uint32_t>(outW), static_cast<std::uint32_t>(outH));
  }
  return turned;
}

#else

bool LosslessTurningAvailable() { return false; }

TurnedJpeg TurnJpegUpright(ConstBytes, std::uint32_t, JpegWarnings) {
  throw EBuildError("This build of kestro-build cannot turn JPEG pictures (it has no TurboJPEG)");
}

#endif

}  // namespace kestro::builder
