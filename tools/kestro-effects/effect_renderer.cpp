#include "effect_renderer.h"

#include "imaging/graphic.h"

namespace kestro::effects_tool {

namespace {

void SetBitmap(TPicture& picture, const Bitmap24& bitmap) {
  picture.SetGraphic(std::make_unique<TBitmap>(bitmap));
}

}  // namespace

EffectRenderer::EffectRenderer(Bitmap24 oldPicture, Bitmap24 newPicture, std::uint16_t step)
    : old_(std::move(oldPicture)), new_(std::move(newPicture)), step_(step) {
  ui_.Install();
}

EffectRenderer::~EffectRenderer() {
  display_.reset();
  window_.reset();
  ui_.Uninstall();
}

void EffectRenderer::StartOver(int effect) {
  display_.reset();
  platform::WindowParams params;
  params.title = "kestro-effects";
  params.bounds = RectOfSize(old_.Width(), old_.Height());
  window_ = ui_.NewWindow(params);
  window_->Show();
  display_ = std::make_unique<TVorelscreen>(*window_);
  display_->SetAlign(TAlign::alClient);
  display_->SetAutoSize(false);
  display_->SetColor(0);
  display_->SetThreaded(false);
  // The old picture, shown whole as a finished change leaves it.
  SetBitmap(display_->Picture(), old_);
  display_->SetStyle(0);
  display_->Execute();
  ui_.RunUntilIdle();
  display_->SetStep(step_);
  display_->SetStyle(static_cast<TShowStyle>(effect));
  SetBitmap(display_->Picture(), new_);
}

Bitmap24 EffectRenderer::Frame(int effect, int progress) {
  StartOver(effect);
  // Hold the change at its first frame (the one at 0), then go to the
  // progress wanted in one step, as an owner driving it by hand does.
  display_->OnProgress = [](TCustomVorelscreen& sender) { static_cast<TVorelscreen&>(sender).SetManual(true); };
  display_->Execute();
  display_->OnProgress = nullptr;
  display_->SetProgress(progress);
  Bitmap24 screen = display_->Screen();
  display_->Stop();
  return screen;
}

void EffectRenderer::Sequence(int effect, const std::function<void(int, const Bitmap24&)>& frame) {
  StartOver(effect);
  display_->OnProgress = [&frame](TCustomVorelscreen& sender) { frame(sender.Progress(), sender.Screen()); };
  display_->Execute();  // paced in place on the manual clock; returns when done
  display_->OnProgress = nullptr;
}

}  // namespace kestro::effects_tool
