#pragma once

#include <functional>
#include <memory>
#include <string>

#include "imaging/graphic.h"

namespace kestro {

// Holds one decoded graphic of any kind and tells its owner of every change.
class TPicture {
 public:
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // The held graphic, or nullptr.
  TGraphic* Graphic() { return graphic_.get(); }
  const TGraphic* Graphic() const { return graphic_.get(); }
  // True when a graphic of non-zero size is held.
  bool HasGraphic() const { return graphic_ && !graphic_->Empty(); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Takes `graphic` as the content (nullptr empties the picture).
  void SetGraphic(std::unique_ptr<TGraphic> graphic);
  // Copies the content of `source`; nullptr empties the picture.
  void Assign(const TPicture* source);
  void Clear() { SetGraphic(nullptr); }

  // The content as a bitmap. When the picture holds anything else (or
  // nothing), the content is first replaced by an empty bitmap.
  TBitmap& Bitmap();

  // Loads the file through the picture format registry, by the file name's
  // extension. On failure the content stays as it was.
  void LoadFromFile(const std::string& fileName);

  // Called after every change of the content.
  std::function<void(TPicture&)> OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace kestro
