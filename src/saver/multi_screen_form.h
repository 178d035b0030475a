#pragma once

#include <memory>
#include <vector>

#include "common/geometry.h"
#include "platform/api/ui.h"
#include "raster/bitmap24.h"

namespace kestro {

// A mirror of the show on a monitor after the first: a black, borderless,
// topmost window that copies the full-screen window's picture onto itself
// every 25 ms, stretched to its own size (squeezed, not letterboxed). Input
// on it reaches the full-screen window's exit filter like any other input
// of the application.
class TMultiScreenForm {
 public:
  // A mirror covering `monitor` (desktop coordinates), shown and topmost.
  explicit TMultiScreenForm(const TRect& monitor);
  ~TMultiScreenForm();
  TMultiScreenForm(const TMultiScreenForm&) = delete;
  TMultiScreenForm& operator=(const TMultiScreenForm&) = delete;

  // Copies what the full-screen window shows now; failures are swallowed
  // and leave the last copy.
  void Timer1Timer();

  platform::Window& Window() { return *window_; }
  platform::Timer& Timer1() { return *timer1_; }

 private:
  void FormPaint(platform::PaintContext& context);

  std::unique_ptr<platform::Window> window_;
  Bitmap24 source_;  // the full-screen window's surface, as last taken
  Bitmap24 frame_;   // the same, stretched to this window
  std::unique_ptr<platform::Timer> timer1_;
};

// The mirror period: 40 copies a second.
inline constexpr std::uint32_t kMirrorInterval = 25;

// The mirrors of the running show, one per monitor after the first.
extern std::vector<std::unique_ptr<TMultiScreenForm>> MirrorWindows;
// The full-screen window the mirrors copy; set before they are created.
extern platform::Window* MirrorSource;

// Covers every monitor after the first with a mirror; nothing when there
// are no monitors or the mirrors exist already.
void CreateMirrorWindows();
// Frees every mirror; failures are swallowed.
void FreeMirrorWindows();

}  // namespace kestro
