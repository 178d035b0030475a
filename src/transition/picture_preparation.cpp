// Turning a loaded picture into the image the next change shows: fitted to
// the control, placed on its background, captioned, and bordered so that it
// covers at least the picture shown before.
#include <algorithm>

#include "common/arith.h"
#include "common/random.h"
#include "imaging/graphic.h"
#include "imaging/load_picture.h"
#include "raster/draw.h"
#include "raster/stretch.h"
#include "transition/vorelscreen.h"

namespace kestro {

namespace {

// A picture's graphic as a bitmap; parts the graphic leaves transparent show
// `background`.
Bitmap24 GraphicAsBitmap(const TPicture& picture, TColor background) {
  const TGraphic* graphic = picture.Graphic();
  if (graphic == nullptr || graphic->Empty()) return {};
  if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic)) return bitmap->Image();
  Bitmap24 result(graphic->Width(), graphic->Height(), background);
  graphic->Draw(result);
  return result;
}

platform::Pixels PixelsOf(Bitmap24& bitmap) {
  return {bitmap.Bits(), bitmap.Width(), bitmap.Height(), static_cast<std::ptrdiff_t>(bitmap.Stride())};
}

}  // namespace

void TCustomVorelscreen::LoadFromFile(const std::string& FileName) {
  try {
    LoadPicture(*picture_, FileName, color_);
    PreparePicture();
  } catch (...) {
    // The show goes on with whatever Picture holds now.
  }
}

void TCustomVorelscreen::PreparePicture() {
  if (!picture_->HasGraphic()) return;
  FitPicture();
  pictureArea_ = RectOfSize(picture_->Width(), picture_->Height());
  PlacePicture();
  CaptionPicture();
  if (previousPicture_ == nullptr) {
    previousPicture_ = std::make_unique<TPicture>();
    previousPicture_->Assign(picture_.get());
  }
  BorderPicture();
}

Bitmap24 TCustomVorelscreen::PictureAsBitmap() const { return GraphicAsBitmap(*picture_, color_); }

void TCustomVorelscreen::ReplacePicture(Bitmap24 bitmap) {
  picture_->SetGraphic(std::make_unique<TBitmap>(std::move(bitmap)));
}

void TCustomVorelscreen::FitPicture() {
  const std::int32_t w = width_;
  const std::int32_t h = height_;
  const std::int32_t pw = picture_->Width();
  const std::int32_t ph = picture_->Height();
  if (w <= 0 || h <= 0 || pw <= 0 || ph <= 0) return;
  const bool larger = pw > w || ph > h;
  if ((FitMode == 0 && larger) || FitMode == 2) {
    std::int32_t nw = w;
    std::int32_t nh = h;
    // pw / w > ph / h, exactly.
    // The new side is ph / (pw / w) = ph * w / pw, rounded on the exact quotient.
    if (static_cast<std::int64_t>(pw) * h > static_cast<std::int64_t>(ph) * w) {
      nh = static_cast<std::int32_t>(RoundHalfEvenQuotient(std::int64_t{ph} * w, pw));
    } else {
      nw = static_cast<std::int32_t>(RoundHalfEvenQuotient(std::int64_t{pw} * h, ph));
    }
    // A sliver of a picture still keeps one pixel.
    nw = std::max(nw, 1);
    nh = std::max(nh, 1);
    const Bitmap24 source = PictureAsBitmap();
    Bitmap24 fitted(nw, nh, color_);
    StretchCopy(fitted, fitted.Bounds(), source, source.Bounds());
    ReplacePicture(std::move(fitted));
  } else if (FitMode == 1 && larger) {
    const Bitmap24 source = PictureAsBitmap();
    Bitmap24 cropped(w, h, color_);
    const std::int32_t sx = pw > w ? (pw - w) / 2 : 0;
    const std::int32_t dx = pw > w ? 0 : (w - pw) / 2;
    const std::int32_t sy = ph > h ? (ph - h) / 2 : 0;
    const std::int32_t dy = ph > h ? 0 : (h - ph) / 2;
    CopyRect(cropped, dx, dy, std::min(pw, w), std::min(ph, h), source, sx, sy);
    ReplacePicture(std::move(cropped));
  }
}

void TCustomVorelscreen::PlacePicture() {
  const std::int32_t w = width_;
  const std::int32_t h = height_;
  const std::int32_t pw = picture_->Width();
  const std::int32_t ph = picture_->Height();
  const bool random = RandomPosition && (pw < w || ph < h);
  if (!random && BackFillMode == 0) return;
  if (w <= 0 || h <= 0) return;
  Bitmap24 placed(w, h, color_);
  if ((BackFillMode == 1 || BackFillMode == 2) && BackFillPicture != nullptr && BackFillPicture->HasGraphic()) {
    const Bitmap24 fill = GraphicAsBitmap(*BackFillPicture, color_);
    if (BackFillMode == 1) {
      TiledFill(placed, placed.Bounds(), fill);
    } else {
      StretchCopy(placed, placed.Bounds(), fill, fill.Bounds());
    }
  }
  std::int32_t x = (w - pw) / 2;
  std::int32_t y = (h - ph) / 2;
  if (random) {
    // x first, then y: both draws are made, also for a span of 0 (the draw
    // gives 0 and still moves the shared generator on).
    x = RandomBelow(std::max(w - pw, 0));
    y = RandomBelow(std::max(h - ph, 0));
  }
  Draw(placed, x, y, PictureAsBitmap());
  ReplacePicture(std::move(placed));
}

void TCustomVorelscreen::CaptionPicture() {
  if (CaptionText.empty() || CaptionPosition == 0) return;
  const std::int32_t w = width_;
  const std::int32_t h = height_;
  if (w <= 0 || h <= 0) return;
  Bitmap24 captioned(w, h, color_);
  Draw(captioned, (w - picture_->Width()) / 2, (h - picture_->Height()) / 2, PictureAsBitmap());
  DrawCaption(captioned);
  ReplacePicture(std::move(captioned));
}

void TCustomVorelscreen::DrawCaption(Bitmap24& bitmap) {
  const std::int32_t w = width_;
  const std::int32_t h = height_;
  platform::TextRenderer& text = platform::Text();
  const TPoint size = text.Measure(CaptionFont, CaptionText);
  std::int32_t x = 0;
  std::int32_t y = 0;
  if (CaptionPosition == 5) {
    x = std::max(CaptionX, 0);
    y = std::max(CaptionY, 0);
    if (x > w) x = w - size.X;
    if (y > h) y = h - size.Y;
  } else {
    x = (w - size.X) / 2;
    const std::int32_t ah = pictureArea_.Height();
    const std::int32_t t = (h - ah) / 2;
    const std::int32_t m = size.Y + 10;
    switch (CaptionPosition) {
      case 1: y = t + ah + 10; break;
      case 2: y = t - m; break;
      case 4: y = 10; break;
      default: y = h - m; break;
    }
    y = std::max(y, 10);
    y = std::min(y, h - m);
    x = std::max(x, 0);
  }
  text.Draw(PixelsOf(bitmap), x, y, CaptionFont, CaptionText);
}

void TCustomVorelscreen::BorderPicture() {
  if (BackFillMode != 0) return;
  const std::int32_t pw = picture_->Width();
  const std::int32_t ph = picture_->Height();
  const TRect reference =
      PadToClient ? ClientRect() : RectOfSize(previousPicture_->Width(), previousPicture_->Height());
  const bool border = PadToClient || pw < reference.Width() || ph < reference.Height();
  Bitmap24 bordered;
  if (border) {
    bordered = Bitmap24(std::max(pw, reference.Width()) + 3, std::max(ph, reference.Height()) + 3, color_);
    const auto ex = static_cast<std::int32_t>(RoundHalfEven((bordered.Width() - pw) / 2.0) + 1);
    const auto ey = static_cast<std::int32_t>(RoundHalfEven((bordered.Height() - ph) / 2.0) + 1);
    Draw(bordered, ex, ey, PictureAsBitmap());
    pictureArea_ = {ex, ey, ex + pw, ey + ph};
  }
  previousPicture_->Assign(picture_.get());
  if (border) ReplacePicture(std::move(bordered));
}

}  // namespace kestro
