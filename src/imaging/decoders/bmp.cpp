// Windows bitmaps: .bmp, .dib and .rle files, with or without the file header.

#include "imaging/decoders.h"
#include "imaging/decoders/dib.h"
#include "imaging/errors.h"

namespace kestro::imaging {

namespace {

constexpr const char* kInvalidBitmap = "Bitmap image is not valid";
constexpr std::size_t kFileHeaderSize = 14;

}  // namespace

DecodedImage DecodeBMP(ByteSpan bytes) {
  const ByteReader data(bytes);
  const bool fileHeader = data.Has(0, kFileHeaderSize) && data.U8(0) == 'B' && data.U8(1) == 'M';
  const std::size_t headerOffset = fileHeader ? kFileHeaderSize : 0;
  const DibHeader header = ReadDibHeader(data, headerOffset, kInvalidBitmap);
  const long long rows = header.height < 0 ? -header.height : header.height;
  CheckPictureSize(header.width, rows);

  // The file header says where the pixels start; a value that cannot be
  // right is ignored in favour of "right after the colour table".
  std::size_t bits = header.afterHeader;
  if (fileHeader) {
    const std::uint32_t offBits = data.U32LE(10);
    if (offBits >= kFileHeaderSize + header.headerSize && offBits < data.Size()) bits = offBits;
  }
  DecodedImage image;
  DecodeDibPixels(data, header, static_cast<int>(rows), bits, image.pixels, nullptr, kInvalidBitmap);
  return image;
}

}  // namespace kestro::imaging
