#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/api/ui.h"
#include "settings/saver_setting.h"
#include "transition/vorelscreen.h"

namespace kestro {

// The slideshow runner: puts a display component over the whole client area
// of a show window, copies the show's layout settings onto it once, and then,
// paced by its own timer, picks the next picture, loads it with its caption,
// picks an effect and starts the change. The next picture comes
// ImageInterval seconds after the previous change has completed.
//
// Ownership: the runner owns the component and its timer. The window must
// outlive the runner (a form declares its window before its runner, or
// destroys the runner first); the runner's destructor stops the show and
// destroys the component before anything it refers to goes, so the
// component's completion handler never reaches a runner that is gone, and
// the component hands the window's paint and resize handlers back.
//
// Everything runs on the main thread: the timer handler and the component's
// completion both arrive through the event loop. A running show never reports
// an error: the timer handler, the completion handler and every show step
// swallow what they meet and go on with what they have (only
// LoadComplemented passes on a source it cannot read, to NextPicture).
//
// Two behaviours a user relies on:
// - A tick that starts no change (no pictures, nothing loaded yet, or a
//   picture that could not be prepared) re-arms the timer, so the show tries
//   the next picture ImageInterval seconds later instead of freezing.
// - An ImageInterval below 1 counts as 1 second, so the show goes on instead
//   of stopping on the first picture (a timer interval of 0 never fires).
class TRunVorelscreen {
 public:
  // Builds the runner for `window`; `preview` for the preview window
  // (pictures padded to the client, no caption, no fill picture). The timer
  // starts at once: the first picture comes about 100 ms later.
  TRunVorelscreen(platform::Window& window, bool preview);
  ~TRunVorelscreen();
  TRunVorelscreen(const TRunVorelscreen&) = delete;
  TRunVorelscreen& operator=(const TRunVorelscreen&) = delete;

  // The component over the window.
  TVorelscreen& Display() { return *display_; }
  const TVorelscreen& Display() const { return *display_; }
  // Paces the show; disabled while a change runs.
  platform::Timer& TickTimer() { return *tickTimer_; }
  const platform::Timer& TickTimer() const { return *tickTimer_; }
  // The local path of the picture being shown (empty before the first).
  const std::string& CurrentFile() const { return currentFile_; }
  // Index into PictureList of the last picture chosen; -1 before the first.
  std::int32_t PictureIndex() const { return pictureIndex_; }
  bool IsPreview() const { return isPreview_; }
  // Set until the first change has been started; the splash picture can
  // only be shown while it is.
  bool FirstTick() const { return firstTick_; }

  // Copies the layout settings onto the component (run by the constructor).
  void ApplySettings();
  // The timer's handler: chooses and loads the next picture and starts the
  // change to it.
  void Tick();
  // Chooses the next picture and loads it into the component.
  void NextPicture();
  // Picks the effect and starts the change.
  void StartChange();
  // The component's completion handler: the next tick comes ImageInterval
  // seconds from now.
  void ChangeCompleted();
  // The splash picture is still to be shown and resolves to a local file
  // (SaverSetting.SplashImage is rewritten to that path).
  bool SplashDue();
  // Sets the component's caption for CurrentFile.
  void UpdateCaption();
  // Loads a picture stored with every byte complemented, through a
  // temporary file next to TempImageFile that is deleted afterwards.
  void LoadComplemented(const std::string& path);

 private:
  bool Armed() const;

  std::unique_ptr<TVorelscreen> display_;
  std::unique_ptr<platform::Timer> tickTimer_;
  std::string currentFile_;
  std::int32_t pictureIndex_ = -1;
  bool isPreview_ = false;
  bool firstTick_ = true;
};

// The timer's first interval, before the first picture.
inline constexpr std::uint32_t kFirstTickInterval = 100;

// The key of a picture in the "effects" section: its file name with every
// "[" and "]" removed.
std::string EffectKey(std::string_view path);
// The file name of a path without its extension.
std::string BaseNameOf(std::string_view path);

// The effect for a change from the set: 0 when the set has no member in
// 1..150 whose drawing is built; otherwise uniform draws
// RandomBelow(150) + 1 until one is such a member.
TShowStyle ChooseEffect(const TEffectSet& effects);

// The timer interval, in milliseconds, for an ImageInterval in seconds:
// at least 1 second, at most what the timer can hold.
std::uint32_t IntervalMilliseconds(std::int32_t seconds);

// Writes `target` as `source` with every byte complemented (255 - b),
// replacing an existing file. Raises EFOpenError when the source cannot be
// read; a failure to write is swallowed.
void ComplementFile(const std::string& source, const std::string& target);

}  // namespace kestro
