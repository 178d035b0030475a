#include "transition/vorelscreen.h"

#include "transition/animate_thread.h"

#include <algorithm>

#include "common/arith.h"
#include "imaging/graphic.h"
#include "platform/api/clock.h"
#include "raster/draw.h"
#include "raster/stretch.h"

namespace kestro {

// ---------------------------------------------------------------- construction

TCustomVorelscreen::TCustomVorelscreen(platform::Window& parent)
    : parent_(&parent), picture_(std::make_unique<TPicture>()), bgPicture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TPicture&) { PictureChanged(); };
  bgPicture_->OnChange = [this](TPicture&) { BackgroundChanged(); };
  parentPaint_ = parent.onPaint;
  parentResize_ = parent.onResize;
  parent.onPaint = [this](platform::PaintContext& context) {
    if (parentPaint_) parentPaint_(context);
    Paint(context);
  };
  parent.onResize = [this] {
    if (parentResize_) parentResize_();
    ParentResized();
  };
}

TCustomVorelscreen::~TCustomVorelscreen() {
  destroying_ = true;
  if (thread_ != nullptr) {
    TAnimateThread* thread = thread_.get();
    thread->Terminate();
    // Its end notification runs meanwhile and fires no OnComplete.
    thread->WaitFor();
  }
  thread_.reset();
  retired_.clear();
  parent_->onPaint = std::move(parentPaint_);
  parent_->onResize = std::move(parentResize_);
}

// ---------------------------------------------------------------- properties

void TCustomVorelscreen::SetBgMode(TBackgroundMode value) {
  if (value == bgMode_) return;
  bgMode_ = value;
  if (bgPicture_->HasGraphic() && !inPaint_) Invalidate();
}

void TCustomVorelscreen::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  if (value) AdjustSize();
}

void TCustomVorelscreen::SetCenter(bool value) {
  if (value == center_) return;
  center_ = value;
  if (picture_->HasGraphic()) RecomputePictureRect();
  if (!screen_.IsEmpty() && !inPaint_) Invalidate();
}

void TCustomVorelscreen::SetStretch(bool value) {
  if (value == stretch_) return;
  stretch_ = value;
  if (!screen_.IsEmpty() && !inPaint_) Invalidate();
}

void TCustomVorelscreen::SetStretchFine(bool value) {
  if (value == stretchFine_) return;
  stretchFine_ = value;
  if (!screen_.IsEmpty() && !inPaint_) Invalidate();
}

void TCustomVorelscreen::SetManual(bool value) {
  const bool changed = value != manual_;
  if (changed) manual_ = value;
  if (!busy_) {
    progress_ = reverse_ ? 100 : 0;  // no frame: nothing is being changed
  } else if (changed && !value) {
    StartAnimation();
  }
}

void TCustomVorelscreen::SetStep(std::uint16_t value) {
  step_ = value == 0 ? 1 : std::min<std::uint16_t>(value, 100);
}

void TCustomVorelscreen::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  background_.reset();
  Invalidate();
}

void TCustomVorelscreen::PictureChanged() {
  if (destroying_) return;
  if (picture_->HasGraphic() && autoSize_) AdjustSize();
  if (OnChange) OnChange(*this);
}

void TCustomVorelscreen::BackgroundChanged() {
  background_.reset();
  if (bgMode_ != TBackgroundMode::bmNone && !inPaint_) Invalidate();
}

// ---------------------------------------------------------------- the control

void TCustomVorelscreen::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const TRect before = BoundsRect();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(before);
}

void TCustomVorelscreen::BoundsChanged(const TRect& before) {
  if (visible_ && !destroying_) {
    parent_->Invalidate(before);
    parent_->Invalidate(BoundsRect());
  }
  if (before.Width() == width_ && before.Height() == height_) return;
  if (picture_->HasGraphic()) {
    RecomputePictureRect();
    if (!screen_.IsEmpty() && !inPaint_) Invalidate();
  }
}

void TCustomVorelscreen::SetAlign(TAlign align) {
  align_ = align;
  ApplyAlign();
}

void TCustomVorelscreen::ApplyAlign() {
  const std::int32_t pw = parent_->ClientWidth();
  const std::int32_t ph = parent_->ClientHeight();
  switch (align_) {
    case TAlign::alNone: return;
    case TAlign::alClient: SetBounds(0, 0, pw, ph); return;
    case TAlign::alTop: SetBounds(0, 0, pw, height_); return;
    case TAlign::alBottom: SetBounds(0, ph - height_, pw, height_); return;
    case TAlign::alLeft: SetBounds(0, 0, width_, ph); return;
    case TAlign::alRight: SetBounds(pw - width_, 0, width_, ph); return;
  }
}

void TCustomVorelscreen::ParentResized() { ApplyAlign(); }

void TCustomVorelscreen::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (!destroying_) parent_->Invalidate(BoundsRect());
}

void TCustomVorelscreen::AdjustSize() {
  if (picture_->HasGraphic() && align_ == TAlign::alNone) {
    SetBounds(left_, top_, picture_->Width(), picture_->Height());
  }
}

void TCustomVorelscreen::Invalidate() { InvalidateOnParent(ClientRect()); }

void TCustomVorelscreen::Refresh() {
  Invalidate();
  parent_->Update();
}

void TCustomVorelscreen::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TCustomVorelscreen::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

// ---------------------------------------------------------------- geometry

TRect TCustomVorelscreen::FittedRect(std::int32_t pw, std::int32_t ph, const TRect& client) {
  const std::int32_t cw = client.Width();
  const std::int32_t ch = client.Height();
  if (pw <= 0 || ph <= 0) return client;
  std::int32_t w = 0;
  std::int32_t h = 0;
  // ch / ph > cw / pw, exactly.
  if (static_cast<std::int64_t>(ch) * pw > static_cast<std::int64_t>(cw) * ph) {
    w = cw;
    h = MulDiv(ph, cw, pw);
  } else {
    w = MulDiv(pw, ch, ph);
    h = ch;
  }
  const std::int32_t l = client.Left + (cw - w) / 2;
  const std::int32_t t = client.Top + (ch - h) / 2;
  return {l, t, l + w, t + h};
}

void TCustomVorelscreen::RecomputePictureRect() {
  if (screen_.IsEmpty()) return;  // keeps its last value
  TRect r = screen_.Bounds();
  if (center_) r = r.Offset((width_ - r.Width()) / 2, (height_ - r.Height()) / 2);
  pictureRect_ = r;
}

TRect TCustomVorelscreen::TargetRect() const {
  if (!stretch_) return pictureRect_;
  if (stretchFine_) return FittedRect(pictureRect_.Width(), pictureRect_.Height(), ClientRect());
  return ClientRect();
}

void TCustomVorelscreen::InvalidatePictureArea(const TRect& r) {
  if (destroying_) return;
  TRect q;
  if (stretch_) {
    const std::int32_t pw = pictureRect_.Width();
    const std::int32_t ph = pictureRect_.Height();
    if (pw <= 0 || ph <= 0) return;
    const TRect s = r.Intersect(RectOfSize(pw, ph));
    if (s.IsEmpty()) return;
    const TRect t = TargetRect();
    q = {t.Left + MulDiv(s.Left, t.Width(), pw), t.Top + MulDiv(s.Top, t.Height(), ph),
         t.Left + MulDiv(s.Right, t.Width(), pw), t.Top + MulDiv(s.Bottom, t.Height(), ph)};
  } else {
    q = center_ ? r.Offset(pictureRect_.Left, pictureRect_.Top) : r;
    q = q.Intersect(pictureRect_);
  }
  InvalidateOnParent(q);
}

void TCustomVorelscreen::InvalidateOnParent(const TRect& r) {
  if (destroying_ || !visible_) return;
  const TRect q = r.Intersect(ClientRect());
  if (q.IsEmpty()) return;
  parent_->Invalidate(q.Offset(left_, top_));
}

// ---------------------------------------------------------------- painting

const Bitmap24* TCustomVorelscreen::BackgroundBitmap() {
  const TGraphic* graphic = bgPicture_->Graphic();
  if (graphic == nullptr || graphic->Empty()) return nullptr;
  if (background_ == nullptr) {
    background_ = std::make_unique<Bitmap24>(graphic->Width(), graphic->Height(), color_);
    graphic->Draw(*background_);
  }
  return background_.get();
}

void TCustomVorelscreen::ComposeBuffer() {
  if (paintBuffer_.Width() != width_ || paintBuffer_.Height() != height_) {
    paintBuffer_ = Bitmap24(width_, height_, color_);
  } else {
    paintBuffer_.Fill(color_);
  }
  const TRect client = ClientRect();
  if (bgMode_ != TBackgroundMode::bmNone) {
    if (const Bitmap24* bg = BackgroundBitmap()) {
      switch (bgMode_) {
        case TBackgroundMode::bmTiled: TiledFill(paintBuffer_, client, *bg); break;
        case TBackgroundMode::bmStretched: StretchCopy(paintBuffer_, client, *bg, bg->Bounds()); break;
        case TBackgroundMode::bmCentered:
          Draw(paintBuffer_, (width_ - bg->Width()) / 2, (height_ - bg->Height()) / 2, *bg);
          break;
        case TBackgroundMode::bmNone: break;
      }
    }
  }
  if (!screen_.IsEmpty()) {
    if (stretch_) {
      StretchCopy(paintBuffer_, TargetRect(), screen_, screen_.Bounds());
    } else {
      Draw(paintBuffer_, pictureRect_.Left, pictureRect_.Top, screen_);
    }
  }
}

void TCustomVorelscreen::Paint(platform::PaintContext& context) {
  if (!visible_ || inPaint_ || destroying_) return;
  if (!platform::UI().Loop().IsMainThread()) return;
  if (context.InvalidRect().Intersect(BoundsRect()).IsEmpty()) return;
  inPaint_ = true;
  try {
    ComposeBuffer();
    const platform::ConstPixels pixels{paintBuffer_.Bits(), paintBuffer_.Width(), paintBuffer_.Height(),
                                       static_cast<std::ptrdiff_t>(paintBuffer_.Stride())};
    std::optional<std::uint32_t> transparent;
    if (Transparent) transparent = TransparentColor;
    context.Draw(pixels, left_, top_, transparent);
  } catch (...) {
    // A paint that fails leaves the window as it was; the next one tries again.
  }
  inPaint_ = false;
}

// ---------------------------------------------------------------- a change

void TCustomVorelscreen::Execute() {
  if (busy_ || !picture_->HasGraphic()) return;
  RetireFinishedThreads();
  busy_ = true;
  try {
    PrepareChange();
  } catch (...) {
    FreeChange();
    busy_ = false;
    throw;
  }
  if (busy_ && !manual_) StartAnimation();
}

void TCustomVorelscreen::PrepareChange() {
  const std::int32_t w = picture_->Width();
  const std::int32_t h = picture_->Height();
  screen_.Resize(w, h, color_);
  RecomputePictureRect();
  // A control that has not been painted at its size yet starts from what it
  // would show.
  if (paintBuffer_.Width() != width_ || paintBuffer_.Height() != height_) ComposeBuffer();
  oldScreen_ = std::make_shared<Bitmap24>(w, h);
  StretchCopy(*oldScreen_, oldScreen_->Bounds(), paintBuffer_, TargetRect());
  newPicture_ = std::make_shared<Bitmap24>(w, h);
  picture_->Graphic()->Draw(*newPicture_);
  SetProgress(reverse_ ? 100 : 0);
}

void TCustomVorelscreen::StartAnimation() {
  if (threaded_) {
    if (thread_ == nullptr) thread_ = std::make_unique<TAnimateThread>(*this, threadPriority_);
  } else if (!inPlace_) {
    AnimateInPlace();
  }
}

void TCustomVorelscreen::AnimateInPlace() {
  inPlace_ = true;
  bool done = false;
  try {
    platform::EventLoop& loop = platform::UI().Loop();
    do {
      const std::uint32_t t0 = platform::GetTickCount();
      AnimateStep();
      done = ChangeDone();
      if (!done) {
        do {
          loop.ProcessMessages();
        } while (static_cast<std::uint32_t>(platform::GetTickCount() - t0) <= delay_ && busy_ && !manual_ &&
                 !stopping_);
      }
    } while (!done && busy_ && !manual_ && !stopping_);
  } catch (...) {
    inPlace_ = false;
    FreeChange();
    busy_ = false;
    throw;
  }
  inPlace_ = false;
  if (done) Complete();
}

void TCustomVorelscreen::AnimateStep() {
  if (destroying_ || !busy_) return;
  if (reverse_) {
    SetProgress(progress_ < step_ ? 0 : progress_ - step_);
  } else {
    SetProgress(progress_ + step_);
  }
}

bool TCustomVorelscreen::ChangeDone() const {
  if (!busy_) return true;
  return reverse_ ? progress_ == 0 : progress_ == 100;
}

void TCustomVorelscreen::SetProgress(int value) {
  const int p = std::clamp(value, 0, 100);
  if (!busy_ || p == progress_) return;
  if (p < progress_ && !inPaint_ && DrawsFrames()) InvalidatePictureArea(screen_.Bounds());
  progress_ = static_cast<std::uint8_t>(p);
  Frame();
  if (OnProgress && !destroying_) OnProgress(*this);
}

void TCustomVorelscreen::Complete() {
  if (!busy_) return;
  if (manual_ && !stopping_) return;  // held: the owner goes on by writing Progress
  busy_ = false;
  FreeChange();
  if (OnComplete && !destroying_ && !stopping_) OnComplete(*this);
}

void TCustomVorelscreen::FreeChange() {
  oldScreen_.reset();
  newPicture_.reset();
}

void TCustomVorelscreen::AnimateThreadEnded(TAnimateThread& thread, bool done) {
  if (thread_.get() == &thread) retired_.push_back(std::move(thread_));
  if (!done && busy_ && !manual_ && !stopping_ && !destroying_ && !thread.Terminated()) {
    // Manual was set and cleared again before the worker saw it: go on.
    StartAnimation();
    return;
  }
  Complete();
}

void TCustomVorelscreen::RetireFinishedThreads() {
  std::erase_if(retired_, [](const std::unique_ptr<TAnimateThread>& t) { return t->Finished(); });
}

void TCustomVorelscreen::Stop() {
  if (!busy_ || stopping_) return;
  stopping_ = true;
  try {
    if (thread_ != nullptr) {
      TAnimateThread* thread = thread_.get();
      thread->Terminate();
      if (inHandOff_) {
        // Called from one of the worker's own steps: it cannot be waited for
        // here; it ends by itself once this step returns.
        retired_.push_back(std::move(thread_));
        Complete();
      } else {
        thread->WaitFor();  // its end notification runs the completion step
        if (busy_) Complete();
        RetireFinishedThreads();
      }
    } else {
      Complete();
    }
  } catch (...) {
    stopping_ = false;
    throw;
  }
  stopping_ = false;
}

void TCustomVorelscreen::Clear() {
  if (busy_ || screen_.IsEmpty()) return;
  std::unique_lock<std::recursive_mutex> canvas(screenCanvas_, std::try_to_lock);
  if (!canvas.owns_lock()) return;
  screen_ = Bitmap24();
  Invalidate();
}

}  // namespace kestro
