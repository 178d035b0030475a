#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "imaging/picture.h"
#include "platform/api/text.h"
#include "platform/api/thread.h"
#include "platform/api/ui.h"
#include "raster/bitmap24.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"

namespace kestro {

// How the background picture is painted behind the shown image.
enum class TBackgroundMode : std::uint8_t { bmNone, bmTiled, bmStretched, bmCentered };

// Where the control lies in its parent: at its own bounds (alNone), across
// the whole client area (alClient), or as a band along one edge.
enum class TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TThreadPriority = platform::ThreadPriority;

class TCustomVorelscreen;
class TAnimateThread;

using TNotifyEvent = std::function<void(TCustomVorelscreen& Sender)>;
// Picture is the new-picture bitmap, Screen the screen bitmap of the frame.
using TCustomDrawEvent = std::function<void(TCustomVorelscreen& Sender, Bitmap24& Picture, Bitmap24& Screen)>;

// The colour a new control starts with: the usual window colour.
inline constexpr TColor clWindowColor = 0xFFFFFF;

// The transition display: a windowless control inside a platform window that
// shows one picture and changes from what it shows to a new picture, frame by
// frame, through one of the numbered effects.
//
// Hosting: the control lives in the parent window it is created with. It
// chains itself into the parent's onPaint and onResize handlers (the ones set
// before it was created keep running first) and gives them back when it is
// destroyed, so components on one window are destroyed in the reverse order of
// their creation. Its invalidations go to parent.Invalidate, offset by the
// control's Left and Top; the synchronous repaint after a frame is
// parent.Update(). Everything runs on the main thread; the pacing worker only
// measures time, sleeps and hands each step over through the event loop.
//
// TCustomVorelscreen holds the state and behaviour; TVorelscreen makes the
// control's published properties and events public.
class TCustomVorelscreen {
 public:
  explicit TCustomVorelscreen(platform::Window& parent);
  virtual ~TCustomVorelscreen();
  TCustomVorelscreen(const TCustomVorelscreen&) = delete;
  TCustomVorelscreen& operator=(const TCustomVorelscreen&) = delete;

  // --- operations
  // Starts a change to Picture; nothing while Busy or without a picture.
  void Execute();
  // Aborts a change; no OnComplete.
  void Stop();
  // Forgets the shown image: the control shows only Color and BgPicture.
  void Clear();
  // Loads a picture file into Picture and prepares it (fit, placement,
  // caption, border). Never raises.
  void LoadFromFile(const std::string& FileName);
  // The preparation steps alone, on the picture Picture holds now.
  void PreparePicture();

  std::uint8_t Progress() const { return progress_; }
  void SetProgress(int value);
  bool Busy() const { return busy_; }

  // --- the control
  std::int32_t Left() const { return left_; }
  std::int32_t Top() const { return top_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  std::int32_t ClientWidth() const { return width_; }
  std::int32_t ClientHeight() const { return height_; }
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  TRect ClientRect() const { return RectOfSize(width_, height_); }
  void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
  void SetLeft(std::int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(std::int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(std::int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(std::int32_t v) { SetBounds(left_, top_, width_, v); }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  platform::Window& Parent() const { return *parent_; }

  // Marks the whole control for repainting; Refresh also repaints at once.
  void Invalidate();
  void Refresh();

  // The parent's paint handler calls this (the constructor wires it).
  void Paint(platform::PaintContext& context);
  // Mouse-enter and mouse-leave notifications from the host.
  void MouseEnter();
  void MouseLeave();

  // --- what the control holds, for owners, tools and tests
  const Bitmap24& Screen() const { return screen_; }
  const Bitmap24* OldScreen() const { return oldScreen_.get(); }
  const Bitmap24* NewPicture() const { return newPicture_.get(); }
  const Bitmap24& PaintBuffer() const { return paintBuffer_; }
  TRect PictureRect() const { return pictureRect_; }
  TRect TargetRect() const;
  // Where the fitted picture lies inside the prepared picture.
  TRect PictureArea() const { return pictureArea_; }
  // The last prepared picture before its border; nullptr before the first.
  const TPicture* PreviousPicture() const { return previousPicture_.get(); }

  // The rect of size pw x ph fitted (aspect kept) into client, centred.
  static TRect FittedRect(std::int32_t pw, std::int32_t ph, const TRect& client);

  // --- picture preparation
  std::uint8_t FitMode = 0;  // 0 shrink to fit, 1 keep the loaded size, 2 scale to fit
  bool PadToClient = false;
  std::string CaptionText;
  platform::FontSpec CaptionFont;
  std::uint8_t CaptionPosition = 0;  // 0 none, 1 below, 2 above, 3 bottom, 4 top, 5 at CaptionX, CaptionY
  std::int32_t CaptionX = 0;
  std::int32_t CaptionY = 0;
  bool RandomPosition = false;
  std::uint8_t BackFillMode = 0;  // 0 Color, 1 BackFillPicture tiled, 2 stretched
  std::unique_ptr<TPicture> BackFillPicture;

  // Pixels of this colour in the painted image are left out when Transparent.
  bool Transparent = false;
  TColor TransparentColor = 0;

 protected:
  // --- published properties (TVorelscreen makes them public)
  TPicture& Picture() { return *picture_; }
  const TPicture& Picture() const { return *picture_; }
  void SetPicture(const TPicture* value) { picture_->Assign(value); }
  TPicture& BgPicture() { return *bgPicture_; }
  const TPicture& BgPicture() const { return *bgPicture_; }
  void SetBgPicture(const TPicture* value) { bgPicture_->Assign(value); }
  TBackgroundMode BgMode() const { return bgMode_; }
  void SetBgMode(TBackgroundMode value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool StretchFine() const { return stretchFine_; }
  void SetStretchFine(bool value);
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool value) { threaded_ = value; }
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }
  bool Manual() const { return manual_; }
  void SetManual(bool value);
  TShowStyle Style() const { return style_; }
  void SetStyle(TShowStyle value) { style_ = value; }
  std::uint16_t Step() const { return step_; }
  void SetStep(std::uint16_t value);
  std::uint16_t Delay() const { return delay_; }
  void SetDelay(std::uint16_t value) { delay_ = value; }
  bool Reverse() const { return reverse_; }
  void SetReverse(bool value) { reverse_ = value; }
  TColor Color() const { return color_; }
  void SetColor(TColor value);

  TNotifyEvent OnChange;
  TNotifyEvent OnProgress;
  TNotifyEvent OnComplete;
  TCustomDrawEvent OnCustomDraw;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TCustomDrawEvent OnBeforeNewFrame;
  TCustomDrawEvent OnAfterNewFrame;

 private:
  friend class TAnimateThread;

  // Geometry and invalidation.
  void RecomputePictureRect();
  void InvalidatePictureArea(const TRect& r);  // r in picture coordinates
  void InvalidateOnParent(const TRect& r);     // r in client coordinates
  void AdjustSize();
  void BoundsChanged(const TRect& before);
  void ParentResized();
  void ApplyAlign();

  // Painting.
  void ComposeBuffer();
  const Bitmap24* BackgroundBitmap();

  // A change.
  void PrepareChange();
  void StartAnimation();
  void AnimateInPlace();
  void AnimateStep();
  bool ChangeDone() const;
  // Whether the number draws frames: 0, and the built effects of 1 to 150.
  bool DrawsFrames() const;
  void Frame();
  void FrameWithoutDrawing(const Bitmap24& newPicture, const TRect& r);
  void FrameWithoutEffect(Bitmap24& newPicture, const TRect& r);
  void Complete();
  void FreeChange();
  void AnimateThreadEnded(TAnimateThread& thread, bool done);
  void RetireFinishedThreads();

  // Picture preparation steps.
  void PictureChanged();
  void BackgroundChanged();
  Bitmap24 PictureAsBitmap() const;
  void ReplacePicture(Bitmap24 bitmap);
  void FitPicture();
  void PlacePicture();
  void CaptionPicture();
  void DrawCaption(Bitmap24& bitmap);
  void BorderPicture();

  platform::Window* parent_;
  std::function<void(platform::PaintContext&)> parentPaint_;
  std::function<void()> parentResize_;

  std::int32_t left_ = 0;
  std::int32_t top_ = 0;
  std::int32_t width_ = 100;
  std::int32_t height_ = 100;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;

  std::unique_ptr<TPicture> picture_;
  std::unique_ptr<TPicture> bgPicture_;
  TBackgroundMode bgMode_ = TBackgroundMode::bmTiled;
  bool autoSize_ = true;
  bool center_ = false;
  bool stretch_ = false;
  bool stretchFine_ = false;
  bool threaded_ = true;
  TThreadPriority threadPriority_ = TThreadPriority::tpNormal;
  // Read by the pacing worker; written on the main thread only.
  std::atomic<bool> manual_{false};
  std::atomic<std::uint16_t> delay_{30};
  std::atomic<bool> stopping_{false};
  TShowStyle style_ = 101;
  std::uint16_t step_ = 4;
  std::uint8_t progress_ = 0;
  bool reverse_ = false;
  bool busy_ = false;
  TColor color_ = clWindowColor;

  Bitmap24 screen_;
  std::recursive_mutex screenCanvas_;  // held while a frame is drawn into the screen bitmap
  std::unique_ptr<TAnimateThread> thread_;
  std::vector<std::unique_ptr<TAnimateThread>> retired_;  // ended workers not yet joined
  bool inPaint_ = false;
  bool inPlace_ = false;   // the in-place pacing loop runs
  bool inHandOff_ = false;  // a worker's step runs on the main thread
  bool destroying_ = false;
  Bitmap24 paintBuffer_;
  std::shared_ptr<Bitmap24> oldScreen_;
  std::shared_ptr<Bitmap24> newPicture_;
  TRect pictureRect_{};
  EffectFrame frame_;  // the last frame's plan and changed rectangles
  // BgPicture drawn on Color, kept until the background or Color changes.
  std::unique_ptr<Bitmap24> background_;

  TRect pictureArea_{};
  std::unique_ptr<TPicture> previousPicture_;
};

class TVorelscreen : public TCustomVorelscreen {
 public:
  using TCustomVorelscreen::TCustomVorelscreen;

  using TCustomVorelscreen::Picture;
  using TCustomVorelscreen::SetPicture;
  using TCustomVorelscreen::BgPicture;
  using TCustomVorelscreen::SetBgPicture;
  using TCustomVorelscreen::BgMode;
  using TCustomVorelscreen::SetBgMode;
  using TCustomVorelscreen::AutoSize;
  using TCustomVorelscreen::SetAutoSize;
  using TCustomVorelscreen::Center;
  using TCustomVorelscreen::SetCenter;
  using TCustomVorelscreen::Stretch;
  using TCustomVorelscreen::SetStretch;
  using TCustomVorelscreen::StretchFine;
  using TCustomVorelscreen::SetStretchFine;
  using TCustomVorelscreen::Threaded;
  using TCustomVorelscreen::SetThreaded;
  using TCustomVorelscreen::ThreadPriority;
  using TCustomVorelscreen::SetThreadPriority;
  using TCustomVorelscreen::Manual;
  using TCustomVorelscreen::SetManual;
  using TCustomVorelscreen::Style;
  using TCustomVorelscreen::SetStyle;
  using TCustomVorelscreen::Step;
  using TCustomVorelscreen::SetStep;
  using TCustomVorelscreen::Delay;
  using TCustomVorelscreen::SetDelay;
  using TCustomVorelscreen::Reverse;
  using TCustomVorelscreen::SetReverse;
  using TCustomVorelscreen::Color;
  using TCustomVorelscreen::SetColor;

  using TCustomVorelscreen::OnChange;
  using TCustomVorelscreen::OnProgress;
  using TCustomVorelscreen::OnComplete;
  using TCustomVorelscreen::OnCustomDraw;
  using TCustomVorelscreen::OnMouseEnter;
  using TCustomVorelscreen::OnMouseLeave;
  using TCustomVorelscreen::OnBeforeNewFrame;
  using TCustomVorelscreen::OnAfterNewFrame;
};

}  // namespace kestro
