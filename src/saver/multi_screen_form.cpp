#include "saver/multi_screen_form.h"

#include <cstring>

#include "raster/stretch.h"
#include "saver/saver_password.h"
#include "settings/saver_setting.h"

namespace kestro {

std::vector<std::unique_ptr<TMultiScreenForm>> MirrorWindows;
platform::Window* MirrorSource = nullptr;

TMultiScreenForm::TMultiScreenForm(const TRect& monitor) {
  platform::WindowParams params;
  params.style = platform::WindowStyle::kBorderless;
  params.bounds = monitor;
  params.color = 0;
  window_ = platform::UI().NewWindow(params);
  window_->onPaint = [this](platform::PaintContext& context) { FormPaint(context); };
  window_->Show();
  SetTopmost(window_->Handle(), true);
  timer1_ = platform::UI().NewTimer([this] { Timer1Timer(); });
  timer1_->SetInterval(kMirrorInterval);
  timer1_->SetEnabled(true);
}

TMultiScreenForm::~TMultiScreenForm() {
  timer1_.reset();
  window_->onPaint = nullptr;
}

void TMultiScreenForm::Timer1Timer() {
  if (!SaverSetting.ImageSameMonitor || MirrorSource == nullptr) return;
  try {
    const platform::ConstPixels view = MirrorSource->Surface();
    if (view.data == nullptr || view.width <= 0 || view.height <= 0) return;
    if (source_.Width() != view.width || source_.Height() != view.height) source_ = Bitmap24(view.width, view.height);
    const std::size_t rowBytes = static_cast<std::size_t>(view.width) * 3;
    for (std::int32_t y = 0; y < view.height; ++y) {
      std::memcpy(source_.ScanLine(y), view.data + y * view.stride, rowBytes);
    }
    const std::int32_t w = window_->ClientWidth();
    const std::int32_t h = window_->ClientHeight();
    if (w <= 0 || h <= 0) return;
    if (frame_.Width() != w || frame_.Height() != h) frame_ = Bitmap24(w, h);
    StretchCopy(frame_, frame_.Bounds(), source_, source_.Bounds());
    window_->InvalidateAll();
    window_->Update();
  } catch (...) {
  }
}

void TMultiScreenForm::FormPaint(platform::PaintContext& context) {
  if (frame_.IsEmpty()) return;
  const platform::ConstPixels pixels{frame_.Bits(), frame_.Width(), frame_.Height(),
                                     static_cast<std::ptrdiff_t>(frame_.Stride())};
  context.Draw(pixels, 0, 0, std::nullopt);
}

void CreateMirrorWindows() {
  const std::vector<TRect> monitors = platform::UI().Monitors();
  if (monitors.empty() || !MirrorWindows.empty()) return;
  MirrorWindows.resize(monitors.size() - 1);
  for (std::size_t k = 1; k < monitors.size(); ++k) {
    MirrorWindows[k - 1] = std::make_unique<TMultiScreenForm>(monitors[k]);
  }
}

void FreeMirrorWindows() {
  try {
    // Taken out of the list first, so nothing reaches a mirror while it goes.
    std::vector<std::unique_ptr<TMultiScreenForm>> mirrors;
    mirrors.swap(MirrorWindows);
    mirrors.clear();
  } catch (...) {
  }
  MirrorWindows.clear();
}

}  // namespace kestro
