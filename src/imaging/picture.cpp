#include "imaging/picture.h"

#include "imaging/errors.h"
#include "imaging/formats.h"
#include "common/paths.h"
#include "imaging/load_picture.h"
#include "platform/api/files.h"

namespace kestro {

namespace {

// Largest picture file read into memory.
constexpr std::size_t kMaxPictureFileBytes = 512u * 1024 * 1024;

}  // namespace

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this] { Changed(); };
  Changed();
}

void TPicture::Assign(const TPicture* source) {
  if (source == this) return;
  SetGraphic(source != nullptr && source->graphic_ ? source->graphic_->Clone() : nullptr);
}

TBitmap& TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  SetGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap&>(*graphic_);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  if (!ext.empty()) ext.erase(0, 1);
  const TFileFormat* format = PictureFileFormats().FindExt(ext);
  if (format == nullptr) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  auto data = platform::Files().ReadWholeFile(fileName, kMaxPictureFileBytes);
  if (!data) throw EFOpenError("Cannot open file \"" + fileName + "\"");
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data->data());
  SetGraphic(DecodeGraphic(format->kind, std::span<const std::uint8_t>(bytes, data->size())));
}

void TPicture::Changed() {
  if (OnChange) OnChange(*this);
}

}  // namespace kestro
