// Encapsulated PostScript with the DOS binary header: only its preview
// picture is shown (the PostScript itself needs an interpreter).

#include "imaging/byte_reader.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"

namespace kestro::imaging {

EpsPreview FindEPSPreview(ByteSpan bytes) {
  const ByteReader data(bytes);
  if (!data.Has(0, 30) || data.U32LE(0) != 0xC6D3D0C5) {
    throw EInvalidGraphic("Encapsulated PostScript file has no preview image");
  }
  EpsPreview preview;
  const std::uint32_t wmfOffset = data.U32LE(12), wmfLength = data.U32LE(16);
  const std::uint32_t tiffOffset = data.U32LE(20), tiffLength = data.U32LE(24);
  if (tiffOffset != 0 && tiffLength != 0 && data.Has(tiffOffset, tiffLength)) {
    preview.kind = EpsPreview::kTIFF;
    preview.data = bytes.subspan(tiffOffset, tiffLength);
  } else if (wmfOffset != 0 && wmfLength != 0 && data.Has(wmfOffset, wmfLength)) {
    preview.kind = EpsPreview::kWMF;
    preview.data = bytes.subspan(wmfOffset, wmfLength);
  }
  return preview;
}

}  // namespace kestro::imaging
