#pragma once

#include <cstdint>
#include <memory>

#include "platform/api/ui.h"
#include "raster/bitmap24.h"
#include "saver/run_vorelscreen.h"

namespace kestro {

// What both preview windows share: embedding in the host window given on
// the command line (ParentWindow), or an ordinary framed window of their
// own size when there is none. Each is the application's main window:
// closing it ends the event loop.
//
// A host window that goes away (the display settings close or switch to
// another screensaver) ends the preview: a timer checks the host twice a
// second and closes the window once the host no longer exists.
class TPreviewFormBase {
 public:
  virtual ~TPreviewFormBase();
  TPreviewFormBase(const TPreviewFormBase&) = delete;
  TPreviewFormBase& operator=(const TPreviewFormBase&) = delete;

  // The window's creation parameters: a framed black window of the given
  // outer size; a child of ParentWindow when there is one, else centred on
  // the primary monitor.
  static platform::WindowParams CreateParams(std::int32_t width, std::int32_t height);
  // Inside a host: moves the frame and caption out of the host's area and
  // makes the client area cover the host (and run a little past its right
  // and bottom edges, where the host clips it).
  void FormCreate();
  // Shows the window and starts what it shows.
  void Show();
  // Closes the window; the event loop ends.
  void Close();
  // Closes the window once the host is gone.
  void HostTimerTimer();

  platform::Window& Window() { return *window_; }

 protected:
  TPreviewFormBase(std::int32_t width, std::int32_t height);
  virtual void FormShow() = 0;
  // Stops what the window shows; never raises.
  virtual void FormClose() {}

  std::unique_ptr<platform::Window> window_;

 private:
  std::unique_ptr<platform::Timer> hostTimer_;
  bool closed_ = false;
};

// The live preview: the show with the user's settings, without caption,
// fill picture, music or exit rules, each picture padded to the client.
class TPreviewForm final : public TPreviewFormBase {
 public:
  TPreviewForm();
  ~TPreviewForm() override;

  TRunVorelscreen* Runner() { return runner_.get(); }

 protected:
  void FormShow() override;
  void FormClose() override;

 private:
  std::unique_ptr<TRunVorelscreen> runner_;
};

// The still preview: the picture named by Build_StaticImage (resolved
// before the window is made), stretched to 152 x 112 at (4, 4) of the
// client area, whatever the host's size; black when it cannot be loaded.
class TCommercePreviewForm final : public TPreviewFormBase {
 public:
  TCommercePreviewForm();
  ~TCommercePreviewForm() override;

  // Image1's place in the client area.
  static constexpr TRect kImage1Bounds{4, 4, 4 + 152, 4 + 112};
  // The stretched picture; empty until one was loaded.
  const Bitmap24& Image1() const { return image1_; }

 protected:
  void FormShow() override;

 private:
  void FormPaint(platform::PaintContext& context);

  Bitmap24 image1_;
};

// Outer sizes of the preview windows when they have no host.
inline constexpr std::int32_t kPreviewWidth = 517;
inline constexpr std::int32_t kPreviewHeight = 392;
inline constexpr std::int32_t kStillPreviewWidth = 696;
inline constexpr std::int32_t kStillPreviewHeight = 480;
// How often a preview looks whether its host still exists.
inline constexpr std::uint32_t kHostCheckInterval = 500;

}  // namespace kestro
