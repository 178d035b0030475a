#pragma once

#include <functional>
#include <memory>
#include <string>

#include "imaging/pixels.h"

namespace kestro {

namespace platform {
class Metafile;
}

// One decoded graphic of any kind the picture container can hold. A graphic
// draws itself onto a 24-bit bitmap at (0, 0), clipped to the bitmap; parts
// it leaves transparent keep what the bitmap held.
class TGraphic {
 public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  virtual ~TGraphic() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  virtual void Draw(Bitmap24& target) const = 0;
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  // Called after every change of the graphic's content; the picture
  // container that owns the graphic sets it.
  std::function<void()> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange();
  }
};

// A plain 24-bit bitmap.
class TBitmap final : public TGraphic {
 public:
  TBitmap() = default;
  explicit TBitmap(Bitmap24 bitmap) : bitmap_(std::move(bitmap)) {}

  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void Draw(Bitmap24& target) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  const Bitmap24& Image() const { return bitmap_; }
  // Replaces the pixels and notifies the owner.
  void Assign(Bitmap24 bitmap);
  // Resizes to width x height filled with `color` and notifies the owner.
  void Reset(int width, int height, TColor color);

 private:
  Bitmap24 bitmap_;
};

// A decoded raster of one of the registered formats, with transparency
// where the file carries it (alpha channel, transparent colour index).
class TRasterImage : public TGraphic {
 public:
  TRasterImage(DecodedImage image, std::string formatName)
      : image_(std::move(image)), formatName_(std::move(formatName)) {}

  int Width() const override { return image_.Width(); }
  int Height() const override { return image_.Height(); }
  void Draw(Bitmap24& target) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  const DecodedImage& Image() const { return image_; }
  // The format the raster was decoded from ("PNG", "Targa" ...).
  const std::string& FormatName() const { return formatName_; }

 private:
  DecodedImage image_;
  std::string formatName_;
};

// A Windows icon: the chosen image of the icon file with its mask as alpha.
class TIcon final : public TRasterImage {
 public:
  explicit TIcon(DecodedImage image) : TRasterImage(std::move(image), "Icon") {}
  std::unique_ptr<TGraphic> Clone() const override;
};

// A Windows metafile (WMF or EMF), played through the platform's graphics
// at its own size.
class TMetafile final : public TGraphic {
 public:
  explicit TMetafile(std::shared_ptr<const platform::Metafile> metafile);

  int Width() const override;
  int Height() const override;
  void Draw(Bitmap24& target) const override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  std::shared_ptr<const platform::Metafile> metafile_;
};

}  // namespace kestro
