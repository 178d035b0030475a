#pragma once

// Turning pictures upright by their EXIF orientation (1 to 8): JPEG files
// losslessly, in the compressed data, and decoded pixels for the pictures the
// builder converts.

#include <cstdint>
#include <string>

#include "build_error.h"
#include "exif.h"
#include "imaging/pixels.h"

namespace kestro::builder {

// 2 to 8: the stored picture must be turned or mirrored to be upright.
constexpr bool TurnsPicture(std::uint32_t orientation) { return orientation >= 2 && orientation <= 8; }
// 5 to 8: the upright picture has its width and height exchanged.
constexpr bool SwapsSides(std::uint32_t orientation) { return orientation >= 5 && orientation <= 8; }
// What turning does to the stored picture ("turned 90 degrees clockwise" ...).
const char* TurningText(std::uint32_t orientation);

// The upright picture: `image` with the turning of `orientation` applied
// (alpha too). Orientations outside 2 to 8 give the picture unchanged.
DecodedImage ApplyOrientation(const DecodedImage& image, std::uint32_t orientation);

struct TurnedJpeg {
  std::string bytes;
  int width = 0;           // of the upright picture
  int height = 0;
  int trimmedColumns = 0;  // edge pixels left out (see TurnJpegUpright)
  int trimmedRows = 0;
};

// Whether this build can turn JPEG files losslessly (TurboJPEG is not part
// of every build).
bool LosslessTurningAvailable();

// A JPEG file that could be turned only past a warning of the decoder (a
// damaged or truncated file, or stray bytes the decoder skips).
KESTRO_DECLARE_ERROR(EJpegWarning);

enum class JpegWarnings { kRefuse, kAccept };

// Turns a JPEG file upright without decoding it, every marker kept and the
// EXIF orientation set to 1 (the EXIF pixel dimensions follow). When the
// picture's width or height is not a multiple of its block size, the partial
// blocks at the stored right or bottom edge cannot move to the other side
// and are trimmed (at most 15 pixels a side); the counts tell how many.
// Throws EBuildError with TurboJPEG's message when the file cannot be turned,
// and EJpegWarning for a warning unless warnings are accepted.
TurnedJpeg TurnJpegUpright(ConstBytes jpeg, std::uint32_t orientation, JpegWarnings warnings);

}  // namespace kestro::builder
