#include "saver/run_vorelscreen.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

#include "common/error.h"
#include "common/paths.h"
#include "common/random.h"
#include "imaging/load_picture.h"
#include "music/music.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "payload/payload_settings.h"
#include "settings/sources.h"
#include "transition/effect.h"

namespace kestro {

namespace {

// Sections of the settings file with one entry per picture.
constexpr char kCaptionsSection[] = "captions";
constexpr char kEffectsSection[] = "effects";

// Shuffle draws again this often at most while it hits the picture shown.
constexpr int kShuffleRedraws = 300;

// Step (percent per frame) and Delay (ms) of the component for the speed
// settings 1 (fastest) to 5 (slowest).
struct SpeedPreset {
  std::uint16_t step;
  std::uint16_t delay;
};
constexpr std::array<SpeedPreset, 5> kSpeedPresets{{{10, 1}, {6, 20}, {4, 30}, {2, 30}, {1, 30}}};

// Runs `step` and swallows what it raises: a running show never reports an
// error and goes on with what it has.
template <typename F>
void Quietly(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

std::string EffectKey(std::string_view path) {
  std::string key = ExtractFileName(path);
  std::erase_if(key, [](char c) { return c == '[' || c == ']'; });
  return key;
}

// The extension is cut off at the end of the name only: a name that holds
// its extension text earlier ("beach.jpg.old.jpg") keeps all but the last.
std::string BaseNameOf(std::string_view path) {
  std::string name = ExtractFileName(path);
  const std::string ext = ExtractFileExt(name);
  name.resize(name.size() - ext.size());
  return name;
}

// Effects whose family is not built yet draw nothing: a change with one of
// them would stand still until its end. They count as absent here, so a set
// that holds only such numbers gives the change without effect, and a show
// never waits on a change that draws nothing. When every member is built the
// draws are exactly those of the plain rule. The generator has full period,
// so the draws reach every number and the loop ends.
TShowStyle ChooseEffect(const TEffectSet& effects) {
  TEffectSet drawable;
  for (int n = 1; n <= kEffectCount; ++n) {
    if (effects.test(static_cast<std::size_t>(n)) && EffectImplemented(n)) drawable.set(static_cast<std::size_t>(n));
  }
  if (drawable.none()) return 0;
  for (;;) {
    const std::int32_t n = RandomBelow(kEffectCount) + 1;
    if (drawable.test(static_cast<std::size_t>(n))) return static_cast<TShowStyle>(n);
  }
}

// A timer interval of 0 never fires, which would leave the show on its first
// picture; values the settings dialog cannot make (0 or negative) count as
// 1 second. Very large values are held to what the timer can count.
std::uint32_t IntervalMilliseconds(std::int32_t seconds) {
  constexpr std::int64_t kMaxSeconds = std::numeric_limits<std::uint32_t>::max() / 1000;
  const std::int64_t s = std::clamp<std::int64_t>(seconds, 1, kMaxSeconds);
  return static_cast<std::uint32_t>(s * 1000);
}

// The file is complemented piece by piece, so a file of any size needs only
// a small buffer.
void ComplementFile(const std::string& source, const std::string& target) {
  auto in = platform::Files().Open(source, platform::OpenMode::kReadShared);
  if (!in) throw EFOpenError("Cannot open file \"" + source + "\"");
  auto out = platform::Files().Open(target, platform::OpenMode::kCreate);
  if (!out) return;  // nothing could be written; the load that follows finds no picture
  std::array<std::uint8_t, 64 * 1024> buffer{};
  for (;;) {
    const std::size_t got = in->Read(buffer.data(), buffer.size());
    if (got == 0) break;
    for (std::size_t i = 0; i < got; ++i) buffer[i] = static_cast<std::uint8_t>(~buffer[i]);
    if (out->Write(buffer.data(), got) != got) break;  // a failed write ends the copy quietly
    if (got < buffer.size()) break;
  }
}

TRunVorelscreen::TRunVorelscreen(platform::Window& window, bool preview) : isPreview_(preview) {
  display_ = std::make_unique<TVorelscreen>(window);
  display_->SetColor(RGBColor(0, 0, 0));
  display_->SetAlign(TAlign::alClient);
  display_->SetAutoSize(false);
  display_->SetBgMode(TBackgroundMode::bmNone);
  display_->SetCenter(true);
  display_->SetStretch(false);
  display_->SetStretchFine(false);
  // The preview flag is known before the settings are applied, so that the
  // preview never gets a fill picture.
  ApplySettings();
  if (isPreview_) display_->PadToClient = true;
  display_->OnComplete = [this](TCustomVorelscreen&) { ChangeCompleted(); };
  currentFile_.clear();
  pictureIndex_ = -1;
  tickTimer_ = platform::UI().NewTimer([this] { Tick(); });
  tickTimer_->SetInterval(kFirstTickInterval);
  tickTimer_->SetEnabled(true);
  firstTick_ = true;
}

TRunVorelscreen::~TRunVorelscreen() {
  Quietly([this] {
    if (tickTimer_) tickTimer_->SetEnabled(false);
  });
  Quietly([this] {
    if (!display_) return;
    display_->OnComplete = nullptr;
    display_->Stop();
  });
  // The component goes first: it gives the window its handlers back and
  // leaves nothing behind that could call into this runner.
  display_.reset();
  tickTimer_.reset();
}

void TRunVorelscreen::ApplySettings() {
  const TSaverSetting& s = SaverSetting;
  Quietly([&] {
    MediaPlayerMp3Flag = s.MediaPlayerMp3;
    display_->FitMode = s.ImageSize;
    display_->SetColor(static_cast<TColor>(s.BackgroundColor));
    if (s.EffectSpeed2 >= 1 && s.EffectSpeed2 <= static_cast<std::int32_t>(kSpeedPresets.size())) {
      const SpeedPreset& preset = kSpeedPresets[static_cast<std::size_t>(s.EffectSpeed2 - 1)];
      display_->SetStep(preset.step);
      display_->SetDelay(preset.delay);
    }

    display_->CaptionPosition = s.CaptionPosition;
    display_->CaptionX = s.CaptionX;
    display_->CaptionY = s.CaptionY;
    platform::FontSpec& font = display_->CaptionFont;
    font.name = s.CaptionFontName;
    font.size = s.CaptionFontSize;
    font.color = static_cast<std::uint32_t>(s.CaptionFontColor);
    font.bold = s.CaptionFontBold;
    font.italic = s.CaptionFontItalic;
    font.underline = s.CaptionFontUnderline;
    font.strikeout = s.CaptionFontStrikeout;
  });

  display_->BackFillMode = 0;
  Quietly([&] {
    if (isPreview_ || SaverSetting.Back_Mode_UseColor) return;
    if (!ResolveSource(SaverSetting.Back_Image_Filename)) return;
    if (!display_->BackFillPicture) display_->BackFillPicture = std::make_unique<TPicture>();
    LoadPicture(*display_->BackFillPicture, SaverSetting.Back_Image_Filename, display_->Color());
    // A file that decodes to nothing leaves the plain background: a fill
    // mode without a picture would also drop the border that covers the
    // previous picture.
    if (display_->BackFillPicture->HasGraphic()) display_->BackFillMode = s.Back_Image_UseTiled ? 1 : 2;
  });

  Quietly([&] {
    display_->Transparent = s.TransparentMode;
    display_->TransparentColor = static_cast<TColor>(s.TransparentModeColor);
  });
}

bool TRunVorelscreen::Armed() const { return tickTimer_->Enabled(); }

void TRunVorelscreen::Tick() {
  Quietly([this] {
    tickTimer_->SetEnabled(false);
    tickTimer_->SetInterval(IntervalMilliseconds(SaverSetting.ImageInterval));
  });
  NextPicture();
  StartChange();
  // Only a completed change re-arms the timer. When no change could start
  // (no pictures, nothing loaded yet, a picture that could not be prepared)
  // the next tick still comes after the interval, so the show goes on with
  // the next picture instead of standing still for good.
  Quietly([this] {
    if (!display_->Busy() && !Armed()) tickTimer_->SetEnabled(true);
  });
}

void TRunVorelscreen::NextPicture() {
  Quietly([this] {
    if (SplashDue()) {
      display_->LoadFromFile(SaverSetting.SplashImage);
      return;
    }
    const TSourceList& list = SaverSetting.PictureList;
    if (!list.empty()) {
      const auto n = static_cast<std::int32_t>(std::min<std::size_t>(list.size(), std::numeric_limits<std::int32_t>::max()));
      if (SaverSetting.ImageSequence == 1) {
        std::int32_t r = RandomBelow(n);
        for (int redraws = 0; r == pictureIndex_ && n >= 2 && redraws < kShuffleRedraws; ++redraws) {
          r = RandomBelow(n);
        }
        pictureIndex_ = r;
      } else {
        pictureIndex_ = pictureIndex_ < n - 1 ? pictureIndex_ + 1 : 0;
      }
      currentFile_ = list[static_cast<std::size_t>(pictureIndex_)];
    }
    // A picture that does not resolve loads nothing: the change runs towards
    // the picture the component prepared last.
    if (!ResolveSource(currentFile_)) return;
    UpdateCaption();
    if (SaverSetting.ImageEncrypt && !PayloadFound) {
      LoadComplemented(currentFile_);
    } else {
      display_->LoadFromFile(currentFile_);
    }
  });
}

void TRunVorelscreen::StartChange() {
  if (SaverSetting.PictureList.empty()) return;
  Quietly([this] {
    if (display_->Busy()) display_->Stop();
    if (SplashDue()) {
      // The splash comes at once, without an effect, on a cleared display.
      display_->Clear();
      display_->Refresh();
      display_->SetStyle(0);
      display_->SetReverse(false);
    } else {
      // A picture's own entry in "effects" (even an empty one) replaces the
      // effects enabled for the whole show.
      const std::optional<std::string> own = PayloadSettings().Find(kEffectsSection, EffectKey(currentFile_));
      const TShowStyle style = ChooseEffect(own ? ParseEffectList(*own) : SaverSetting.EnabledEffects);
      // Copied only now, after the picture was prepared: the first picture
      // of a show is always centred.
      display_->RandomPosition = SaverSetting.RandomPosition;
      display_->SetStyle(style);
      if (SaverSetting.ClearOldImage) {
        display_->Clear();
        display_->Refresh();
      }
    }
    display_->Execute();
  });
  firstTick_ = false;
}

void TRunVorelscreen::ChangeCompleted() {
  Quietly([this] { tickTimer_->SetEnabled(true); });
}

bool TRunVorelscreen::SplashDue() {
  if (!firstTick_ || !SaverSetting.ShowSplash) return false;
  try {
    return ResolveSource(SaverSetting.SplashImage);
  } catch (...) {
    return false;
  }
}

void TRunVorelscreen::UpdateCaption() {
  Quietly([this] {
    display_->CaptionText.clear();
    if (!SaverSetting.CaptionForceHide && SaverSetting.CaptionPosition != 0 && !isPreview_) {
      // A picture's own entry in "captions" wins, even an empty one (no caption).
      const std::optional<std::string> own = PayloadSettings().Find(kCaptionsSection, ExtractFileName(currentFile_));
      display_->CaptionText = own ? *own : BaseNameOf(currentFile_);
    }
    if (!display_->CaptionText.empty()) display_->Refresh();
  });
}

void TRunVorelscreen::LoadComplemented(const std::string& path) {
  const std::string temp = SaverSetting.TempImageFile + ExtractFileExt(path);
  ComplementFile(path, temp);
  // The clear copy goes again whatever the load does.
  struct Remove {
    const std::string& file;
    ~Remove() {
      try {
        platform::Files().DeleteFile(file);
      } catch (...) {
      }
    }
  } remove{temp};
  display_->LoadFromFile(temp);
}

}  // namespace kestro
