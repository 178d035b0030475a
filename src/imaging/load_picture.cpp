#include "imaging/load_picture.h"

#include "common/ansi.h"
#include "common/paths.h"
#include "imaging/decoders.h"
#include "imaging/errors.h"
#include "platform/api/files.h"

namespace kestro {

namespace {

constexpr std::size_t kMaxPictureFileBytes = 512u * 1024 * 1024;

imaging::ByteSpan Bytes(const std::string& data) {
  return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

}  // namespace

void JPEGFileToBitmap(TBitmap& bitmap, const std::string& fileName) {
  if (!platform::Files().FileExists(fileName)) return;
  auto data = platform::Files().ReadWholeFile(fileName, kMaxPictureFileBytes);
  if (!data) throw EFOpenError("Cannot open file \"" + fileName + "\"");
  bitmap.Assign(std::move(imaging::DecodeJPEG(Bytes(*data), imaging::JpegOutputForDisplay()).pixels));
}

void GIFFileToBitmap(TBitmap& bitmap, const std::string& fileName) {
  auto data = platform::Files().ReadWholeFile(fileName, kMaxPictureFileBytes);
  // giflib's own words for a file it cannot open.
  if (!data) throw EGIFError("Failed to open given input file");
  bitmap.Assign(std::move(imaging::DecodeGIF(Bytes(*data)).pixels));
}

void LoadPicture(TPicture& picture, const std::string& fileName, TColor flattenColor) {
  const std::string ext = AnsiUpperCase(ExtractFileExt(fileName));
  if (ext == ".JPG" || ext == ".JPEG") {
    JPEGFileToBitmap(picture.Bitmap(), fileName);
  } else if (ext == ".GIF") {
    GIFFileToBitmap(picture.Bitmap(), fileName);
  } else {
    picture.LoadFromFile(fileName);
  }
  if (ext == ".JPG" || ext == ".JPEG" || ext == ".GIF" || ext == ".BMP") return;

  // Flatten: whatever was loaded becomes an opaque bitmap on the colour.
  Bitmap24 flat(picture.Width(), picture.Height(), flattenColor);
  if (const TGraphic* graphic = picture.Graphic()) graphic->Draw(flat);
  picture.SetGraphic(std::make_unique<TBitmap>(std::move(flat)));
}

}  // namespace kestro
