// Decodes every input with one picture decoder, chosen at build time
// (KESTRO_FUZZ_DECODER). A decoder may refuse an input with one of our
// errors; any crash, sanitizer report, hang or other exception (such as an
// allocation failure from a size it should have refused) is a finding.

#include <cstddef>
#include <cstdint>

#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace {

using namespace kestro::imaging;

void Decode(ByteSpan data) {
#if defined(KESTRO_FUZZ_JPEG)
  // Both outputs: odd-sized inputs also go through the colour quantizer.
  DecodeJPEG(data, data.size() % 2 == 1 ? JpegOutput::kPalette : JpegOutput::kTrueColor);
#elif defined(KESTRO_FUZZ_GIF)
  DecodeGIF(data);
#elif defined(KESTRO_FUZZ_PNG)
  DecodePNG(data);
#elif defined(KESTRO_FUZZ_TIFF)
  DecodeTIFF(data);
#elif defined(KESTRO_FUZZ_BMP)
  DecodeBMP(data);
#elif defined(KESTRO_FUZZ_ICO)
  DecodeICO(data);
#elif defined(KESTRO_FUZZ_PCX)
  DecodePCX(data);
#elif defined(KESTRO_FUZZ_TGA)
  DecodeTarga(data);
#elif defined(KESTRO_FUZZ_PNM)
  DecodePNM(data);
#elif defined(KESTRO_FUZZ_SGI)
  DecodeSGI(data);
#else
#error "define the decoder to fuzz"
#endif
}

}  // namespace

// Pictures up to a megapixel: every code path, at a speed that lets the
// fuzzer try many inputs (a 100-megapixel decode takes seconds under the
// sanitizers).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kestro::imaging::SetPictureLimits({1024, 1024 * 1024});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    Decode(ByteSpan(data, size));
  } catch (const kestro::Exception&) {
  }
  return 0;
}
