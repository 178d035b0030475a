#include "saver/preview_form.h"

#include <vector>

#include "common/startup_values.h"
#include "imaging/picture.h"
#include "raster/stretch.h"
#include "settings/saver_setting.h"

namespace kestro {

// ---------------------------------------------------------------- shared

platform::WindowParams TPreviewFormBase::CreateParams(std::int32_t width, std::int32_t height) {
  platform::WindowParams params;
  params.title = SaverName;
  params.style = platform::WindowStyle::kFramed;
  params.color = 0;
  params.parent = ParentWindow;
  params.bounds = RectOfSize(width, height);
  if (ParentWindow == 0) {
    const std::vector<TRect> monitors = platform::UI().Monitors();
    if (!monitors.empty()) {
      const TRect& m = monitors.front();
      params.bounds = params.bounds.Offset(m.Left + (m.Width() - width) / 2, m.Top + (m.Height() - height) / 2);
    }
  }
  return params;
}

TPreviewFormBase::TPreviewFormBase(std::int32_t width, std::int32_t height) {
  window_ = platform::UI().NewWindow(CreateParams(width, height));
  window_->onClose = [this] {
    closed_ = true;
    hostTimer_->SetEnabled(false);
    FormClose();
    // The main window is closed: the event loop ends.
    platform::UI().Loop().Quit();
  };
  hostTimer_ = platform::UI().NewTimer([this] { HostTimerTimer(); });
  hostTimer_->SetInterval(kHostCheckInterval);
  hostTimer_->SetEnabled(ParentWindow != 0);
  platform::UI().Loop().SetTerminateHandler([this] { Close(); });
  FormCreate();
}

TPreviewFormBase::~TPreviewFormBase() {
  platform::UI().Loop().SetTerminateHandler(nullptr);
  window_->onClose = nullptr;
  hostTimer_.reset();
}

void TPreviewFormBase::FormCreate() {
  if (ParentWindow == 0) return;
  const TRect outer = window_->Bounds();
  const std::int32_t top = window_->ClientHeight() - outer.Height();
  const std::int32_t left = window_->ClientWidth() - outer.Width();
  std::int32_t width = outer.Width();
  std::int32_t height = outer.Height();
  if (const std::optional<TRect> host = platform::UI().WindowRect(ParentWindow)) {
    width = host->Width() - left + 10;
    height = host->Height() - top + 10;
  }
  window_->SetBounds({left, top, left + width, top + height});
}

void TPreviewFormBase::Show() {
  window_->Show();
  FormShow();
}

void TPreviewFormBase::Close() { window_->Close(); }

void TPreviewFormBase::HostTimerTimer() {
  if (closed_ || ParentWindow == 0) return;
  if (!platform::UI().WindowRect(ParentWindow)) Close();
}

// ---------------------------------------------------------------- live

TPreviewForm::TPreviewForm() : TPreviewFormBase(kPreviewWidth, kPreviewHeight) {}

TPreviewForm::~TPreviewForm() { runner_.reset(); }

void TPreviewForm::FormShow() {
  // The application has no taskbar button of its own to hide.
  runner_ = std::make_unique<TRunVorelscreen>(*window_, /*preview=*/true);
}

void TPreviewForm::FormClose() {
  try {
    if (runner_ != nullptr) {
      runner_->TickTimer().SetEnabled(false);
      runner_->Display().Stop();
    }
  } catch (...) {
  }
}

// ---------------------------------------------------------------- still

TCommercePreviewForm::TCommercePreviewForm() : TPreviewFormBase(kStillPreviewWidth, kStillPreviewHeight) {
  window_->onPaint = [this](platform::PaintContext& context) { FormPaint(context); };
}

TCommercePreviewForm::~TCommercePreviewForm() { window_->onPaint = nullptr; }

void TCommercePreviewForm::FormShow() {
  try {
    TPicture picture;
    picture.LoadFromFile(SaverSetting.Build_StaticImage);
    if (!picture.HasGraphic()) return;
    // Drawn on the window's black, so what the picture leaves transparent
    // shows black, then stretched to the control's size.
    Bitmap24 whole(picture.Width(), picture.Height(), 0);
    picture.Graphic()->Draw(whole);
    Bitmap24 image(kImage1Bounds.Width(), kImage1Bounds.Height(), 0);
    StretchCopy(image, image.Bounds(), whole, whole.Bounds());
    image1_ = std::move(image);
    window_->Invalidate(kImage1Bounds);
  } catch (...) {
    image1_ = Bitmap24();
  }
}

void TCommercePreviewForm::FormPaint(platform::PaintContext& context) {
  if (image1_.IsEmpty()) return;
  const platform::ConstPixels pixels{image1_.Bits(), image1_.Width(), image1_.Height(),
                                     static_cast<std::ptrdiff_t>(image1_.Stride())};
  context.Draw(pixels, kImage1Bounds.Left, kImage1Bounds.Top, std::nullopt);
}

}  // namespace kestro
