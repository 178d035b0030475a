#include "dialogs/image_config_form.h"

#include <algorithm>
#include <vector>

#include "common/ansi.h"
#include "common/error.h"
#include "common/intparse.h"
#include "imaging/load_picture.h"
#include "payload/payload.h"
#include "payload/payload_settings.h"
#include "platform/api/files.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/user_store.h"
#include "raster/bitmap24.h"
#include "settings/saver_setting.h"
#include "settings/sources.h"

namespace kestro {

namespace {

using platform::ColorItem;
using platform::ControlCursor;
using platform::ControlFont;
using platform::ControlKind;
using platform::ControlLayout;
using F = TDistributeConfigForm;

constexpr char kCaption[] = "Image Saver Setting";
// The dialog's face colour, behind a banner with transparent parts.
constexpr TColor kFaceColor = RGBColor(240, 240, 240);
constexpr TColor kLinkBlue = RGBColor(0, 0, 255);
constexpr TColor kFooterGrey = RGBColor(128, 128, 128);
constexpr std::uint32_t kHintDelay = 100;

// The header frame and banner, and the page control.
constexpr TRect kHeader{18, 14, 18 + 468, 14 + 60};
constexpr TRect kPages{17, 85, 17 + 468, 85 + 220};

// The colour list: the colour the user picked when it is none of the named
// ones, then the sixteen standard colours and four more.
std::vector<ColorItem> BackgroundColors() {
  return {
      {"Custom...", 0, true},
      {"Black", RGBColor(0, 0, 0)},
      {"Maroon", RGBColor(128, 0, 0)},
      {"Green", RGBColor(0, 128, 0)},
      {"Olive", RGBColor(128, 128, 0)},
      {"Navy", RGBColor(0, 0, 128)},
      {"Purple", RGBColor(128, 0, 128)},
      {"Teal", RGBColor(0, 128, 128)},
      {"Gray", RGBColor(128, 128, 128)},
      {"Silver", RGBColor(192, 192, 192)},
      {"Red", RGBColor(255, 0, 0)},
      {"Lime", RGBColor(0, 255, 0)},
      {"Yellow", RGBColor(255, 255, 0)},
      {"Blue", RGBColor(0, 0, 255)},
      {"Fuchsia", RGBColor(255, 0, 255)},
      {"Aqua", RGBColor(0, 255, 255)},
      {"White", RGBColor(255, 255, 255)},
      {"Money Green", RGBColor(192, 220, 192)},
      {"Sky Blue", RGBColor(166, 202, 240)},
      {"Cream", RGBColor(255, 251, 240)},
      {"Medium Gray", RGBColor(160, 160, 164)},
  };
}

ControlLayout Make(platform::ControlId id, ControlKind kind, platform::ControlId parent, std::string text,
                 TRect bounds) {
  ControlLayout c;
  c.id = id;
  c.kind = kind;
  c.parent = parent;
  c.text = std::move(text);
  c.bounds = bounds;
  return c;
}

TRect At(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  return {left, top, left + width, top + height};
}

ControlFont Font(std::string name, std::int32_t height, std::optional<std::uint32_t> color, bool underline) {
  ControlFont font;
  font.name = std::move(name);
  font.height = height;
  font.color = color;
  font.underline = underline;
  return font;
}

ControlFont LinkFont() { return Font("", 0, kLinkBlue, true); }

// The first part of a file's text, at most kMaxReadmeSize bytes.
std::string ReadTextStart(const std::string& path) {
  const auto in = platform::Files().Open(path, platform::OpenMode::kReadShared);
  if (!in) return {};
  std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(in->Size(), kMaxReadmeSize)), '\0');
  text.resize(in->Read(text.data(), text.size()));
  return text;
}

}  // namespace

std::optional<std::string> LinkAddress(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < ' ') return std::nullopt;
  }
  if (StartsWithText(text, "mailto:")) return std::string(text);
  const std::size_t scheme = text.find("://");
  if (scheme != std::string_view::npos) {
    const std::string_view name = text.substr(0, scheme);
    if (SameText(name, "http") || SameText(name, "https") || SameText(name, "ftp")) return std::string(text);
    return std::nullopt;
  }
  // No scheme: a host name, perhaps with a path, never a drive or a share.
  if (text.find_first_of(":\\") != std::string_view::npos || text.front() == '/' || text.front() == '.') {
    return std::nullopt;
  }
  return "http://" + std::string(text);
}

std::int32_t SpinValue(std::string_view text, std::int32_t minValue, std::int32_t maxValue) {
  const std::optional<std::int32_t> value = ParseInteger(text);
  if (!value) return minValue;
  return std::clamp(*value, minValue, maxValue);
}

platform::DialogLayout TDistributeConfigForm::Layout() {
  platform::DialogLayout layout;
  layout.caption = kCaption;
  layout.clientWidth = kConfigClientWidth;
  layout.clientHeight = kConfigClientHeight;
  layout.initialFocus = Button1;
  auto& c = layout.controls;

  // Header.
  c.push_back(Make(Shape1, ControlKind::kFrame, 0, "", kHeader));
  c.push_back(Make(BannerImage, ControlKind::kPicture, 0, "", kHeader));
  c.back().visible = false;
  c.push_back(Make(title_label, ControlKind::kLabel, 0, "", At(28, 24, 0, 0)));
  c.back().font = Font("Comic Sans MS", 19, std::nullopt, false);
  c.back().noPrefix = true;
  for (const auto& [id, top] : {std::pair{AuthorLabel, 36}, std::pair{WebsiteLabel, 51}}) {
    c.push_back(Make(id, ControlKind::kLabel, 0, "", {kHeaderLabelRight, top, kHeaderLabelRight, top}));
    c.back().alignRight = true;
    c.back().noPrefix = true;
  }
  c.back().font = LinkFont();
  c.back().cursor = ControlCursor::kHand;

  c.push_back(Make(PageControl1, ControlKind::kPageControl, 0, "", kPages));

  // "Options".
  c.push_back(Make(TabSheet1, ControlKind::kPage, PageControl1, "Options", {}));
  c.push_back(Make(ImageSizeGroup, ControlKind::kGroup, TabSheet1, "Image Size", At(8, 4, 148, 88)));
  c.push_back(Make(OptimizationRadio, ControlKind::kRadio, ImageSizeGroup, "Optimization", At(12, 18, 130, 20)));
  c.push_back(Make(OriginalRadio, ControlKind::kRadio, ImageSizeGroup, "Original Size", At(12, 40, 130, 20)));
  c.push_back(Make(StretchRadio, ControlKind::kRadio, ImageSizeGroup, "Stretch to Screen", At(12, 62, 130, 20)));
  c.push_back(Make(SequenceGroup, ControlKind::kGroup, TabSheet1, "Image Sequence", At(8, 98, 148, 88)));
  c.push_back(Make(NormalizeRadio, ControlKind::kRadio, SequenceGroup, "In Order", At(12, 18, 130, 20)));
  c.push_back(Make(RandomizeRadio, ControlKind::kRadio, SequenceGroup, "Shuffle", At(12, 40, 130, 20)));
  c.push_back(Make(IntelliRadio, ControlKind::kRadio, SequenceGroup, "Intelligent Random", At(12, 62, 130, 20)));
  c.back().hint = "Show all images in random order";
  c.push_back(Make(TransitionGroup, ControlKind::kGroup, TabSheet1, "Transition Setting", At(164, 4, 288, 118)));
  c.push_back(Make(BackcolorLabel, ControlKind::kLabel, TransitionGroup, "Background Color: ", At(12, 27, 0, 0)));
  c.push_back(Make(BackcolorCb, ControlKind::kColorList, TransitionGroup, "", At(140, 22, 136, 24)));
  c.back().colors = BackgroundColors();
  c.push_back(Make(IntervalLabel, ControlKind::kLabel, TransitionGroup, "Redraw interval (sec):", At(12, 60, 0, 0)));
  c.push_back(Make(IntervalEdit, ControlKind::kSpin, TransitionGroup, "", At(140, 56, 72, 22)));
  c.back().minValue = kIntervalMin;
  c.back().maxValue = kIntervalMax;
  c.push_back(Make(SpeedLabel, ControlKind::kLabel, TransitionGroup, "Transition Speed:", At(12, 90, 0, 0)));
  c.push_back(Make(SpeedEdit, ControlKind::kSpin, TransitionGroup, "", At(140, 86, 72, 22)));
  c.back().minValue = kSpeedMin;
  c.back().maxValue = kSpeedMax;
  c.push_back(Make(PlayMusicCheck, ControlKind::kCheck, TabSheet1, "Play background music", At(176, 132, 260, 20)));
  c.push_back(Make(CaptionCheck, ControlKind::kCheck, TabSheet1, "Show Image Caption", At(176, 156, 260, 20)));

  // "Exit Conditions".
  c.push_back(Make(TabSheet4, ControlKind::kPage, PageControl1, "Exit Conditions", {}));
  c.push_back(Make(ExitGroup, ControlKind::kGroup, TabSheet4, "Saver Exit Conditions", At(8, 4, 444, 100)));
  c.push_back(Make(MouseMoveCheck, ControlKind::kCheck, ExitGroup, "Mouse Move Event", At(16, 22, 300, 20)));
  c.push_back(Make(MousePressCheck, ControlKind::kCheck, ExitGroup, "Mouse Button Press", At(16, 46, 300, 20)));
  c.push_back(Make(KeyboardCheck, ControlKind::kCheck, ExitGroup, "Keyboard Button Press", At(16, 70, 300, 20)));
  c.push_back(Make(ShowCursorCheck, ControlKind::kCheck, TabSheet4, "Show mouse cursor && Ignore mouse events",
                   At(24, 116, 400, 20)));
  c.push_back(Make(EscKeyCheck, ControlKind::kCheck, TabSheet4, "Exit only when press ESC key ", At(24, 142, 400, 20)));

  // "Readme".
  c.push_back(Make(TabSheet2, ControlKind::kPage, PageControl1, "Readme", {}));
  c.push_back(Make(memo1, ControlKind::kMemo, TabSheet2, "", {}));
  c.back().fillParent = true;

  // Footer.
  c.push_back(Make(_Textkestro, ControlKind::kLabel, 0, "- Powered by", At(18, 324, 0, 0)));
  c.back().font = Font("", 0, kFooterGrey, false);
  c.push_back(Make(_TextWebsite, ControlKind::kLabel, 0, "Kestro", At(94, 324, 0, 0)));
  c.back().font = Font("", 0, kFooterGrey, true);
  c.push_back(Make(_BtnOK, ControlKind::kButton, 0, "&OK", At(318, 316, 80, 25)));
  c.back().isDefault = true;
  c.push_back(Make(Button1, ControlKind::kButton, 0, "&Cancel", At(406, 316, 80, 25)));
  c.back().isCancel = true;
  return layout;
}

std::unique_ptr<TDistributeConfigForm> TDistributeConfigForm::Create() {
  std::unique_ptr<platform::DialogView> view = platform::UI().NewDialog(Layout());
  if (!view) return nullptr;
  return std::make_unique<TDistributeConfigForm>(std::move(view));
}

TDistributeConfigForm::TDistributeConfigForm(std::unique_ptr<platform::DialogView> view)
    : view_(std::move(view)) {
  for (const platform::ControlLayout& control : Layout().controls) {
    if (!control.hint.empty()) hints_[control.id] = control.hint;
  }
  view_->onClick = [this](platform::ControlId id) { ControlClick(id); };
  view_->onCloseRequest = [this] { Close(); };
  view_->onClose = [this] {
    closed_ = true;
    // The main window is closed: the event loop ends.
    platform::UI().Loop().Quit();
  };
  // The system's request to end the program: closed, nothing stored.
  platform::UI().Loop().SetTerminateHandler([this] { Close(); });
}

TDistributeConfigForm::~TDistributeConfigForm() {
  platform::UI().Loop().SetTerminateHandler(nullptr);
  view_->onClick = nullptr;
  view_->onCloseRequest = nullptr;
  view_->onClose = nullptr;
}

void TDistributeConfigForm::Show() {
  FormShow();
  view_->Show();
}

void TDistributeConfigForm::Close() {
  if (!closed_) view_->Close();
}

void TDistributeConfigForm::ControlClick(platform::ControlId id) {
  try {
    switch (id) {
      case MouseMoveCheck:
      case MousePressCheck:
      case KeyboardCheck:
      case ShowCursorCheck:
      case EscKeyCheck:
        ShowCursorCheckClick();
        break;
      case _BtnOK:
        _BtnOKClick();
        break;
      case Button1:
        Button1Click();
        break;
      case AuthorLabel:
        if (authorLinked_) _TextWebsiteClick(id);
        break;
      case WebsiteLabel:
      case _TextWebsite:
        _TextWebsiteClick(id);
        break;
      case BannerImage:
        BannerImageClick();
        break;
      default:
        break;
    }
  } catch (...) {
    // An event handler never ends the dialog with an error.
  }
}

void TDistributeConfigForm::FormShow() {
  platform::DialogView& v = *view_;
  TSaverSetting& s = SaverSetting;

  // 1. The first page; the header's texts.
  v.SetActivePage(TabSheet1);
  v.SetText(AuthorLabel, s.Author);
  v.SetText(WebsiteLabel, s.Website);
  v.SetText(title_label, s.ScrName);

  // 2. The readme.
  LoadReadme();

  // 3. Fit and order.
  for (const Control radio : {OptimizationRadio, OriginalRadio, StretchRadio, NormalizeRadio, RandomizeRadio,
                              IntelliRadio}) {
    v.SetChecked(radio, false);
  }
  if (s.ImageSize <= 2) v.SetChecked(OptimizationRadio + s.ImageSize, true);
  if (s.ImageSequence <= 2) v.SetChecked(NormalizeRadio + s.ImageSequence, true);

  // 4. Colour, interval, speed.
  v.SetColor(BackcolorCb, static_cast<std::uint32_t>(s.BackgroundColor));
  v.SetText(IntervalEdit, std::to_string(std::clamp(s.ImageInterval, kIntervalMin, kIntervalMax)));
  v.SetText(SpeedEdit, std::to_string(std::clamp(s.EffectSpeed2, kSpeedMin, kSpeedMax)));

  // 5. Music only when there is some.
  const bool music = !s.MusicList.empty();
  v.SetEnabled(PlayMusicCheck, music);

  // 6. Captions: a position, or per-picture captions in the settings file.
  const bool captions = s.CaptionPosition != 0 || !PayloadSettings().ReadSection("captions").empty();
  v.SetEnabled(CaptionCheck, captions);
  if (captions) {
    if (s.CaptionPosition == 0) s.CaptionPosition = 4;  // top of the screen
    v.SetChecked(CaptionCheck, !s.CaptionForceHide);
  }

  // 7.
  if (music) v.SetChecked(PlayMusicCheck, s.PlayMusic);

  // 8. Exit conditions.
  v.SetChecked(MouseMoveCheck, s.MouseMove);
  v.SetChecked(MousePressCheck, s.MousePress);
  v.SetChecked(KeyboardCheck, s.KeyboardPress);
  v.SetChecked(ShowCursorCheck, s.ShowCursor);
  v.SetChecked(EscKeyCheck, s.OnlyEscKeyExit);
  ShowCursorCheckClick();

  // 9. The building tool's credit. Its link leads to the site of the tool
  // that built this screensaver, as the settings record it ("BuildWebsite");
  // without one it is plain text.
  const bool credit = !s.HideKestroText && !s.resell;
  v.SetVisible(_TextWebsite, credit);
  v.SetVisible(_Textkestro, credit);
  if (!s.BuildWebsite.empty()) {
    v.SetCursor(_TextWebsite, ControlCursor::kHand);
    SetHint(_TextWebsite, s.BuildWebsite);
  }

  // 10. Nothing to change.
  if (s.NoUserSetting) {
    v.SetVisible(TabSheet1, false);
    v.SetVisible(TabSheet4, false);
    if (v.Text(memo1).empty()) v.SetVisible(TabSheet2, false);
    v.SetActivePage(TabSheet2);
  }

  // 11.
  v.SetHintDelay(kHintDelay);

  // 12. The web address, shown without "http://".
  const std::string website = v.Text(WebsiteLabel);
  SetHint(WebsiteLabel, website);
  if (StartsWithText(website, "http://")) v.SetText(WebsiteLabel, website.substr(7, 100));

  // 13. The mail address.
  if (!s.ScrEmail.empty() && !s.Website.empty()) {
    v.SetFont(AuthorLabel, LinkFont());
    v.SetCursor(AuthorLabel, ControlCursor::kHand);
    authorLinked_ = true;
    SetHint(AuthorLabel, "mailto:" + s.ScrEmail);
  } else if (!s.ScrEmail.empty()) {
    v.SetText(WebsiteLabel, s.ScrEmail);
    SetHint(WebsiteLabel, "mailto:" + s.ScrEmail);
  } else if (s.Website.empty()) {
    const TRect author = v.Bounds(AuthorLabel);
    const std::int32_t top = v.Bounds(WebsiteLabel).Top;
    v.SetBounds(AuthorLabel, {author.Left, top, author.Right, top + author.Height()});
  }

  // 14. The banner.
  LoadBanner();

  // 15. The header's labels end at the same right edge.
  for (const Control label : {WebsiteLabel, AuthorLabel}) {
    const TRect b = v.Bounds(label);
    v.SetBounds(label, {kHeaderLabelRight - b.Width(), b.Top, kHeaderLabelRight, b.Bottom});
  }
}

void TDistributeConfigForm::LoadReadme() {
  std::string text;
  try {
    if (!PayloadFound) {
      const std::string path = InstallFolder + "readme.txt";
      if (platform::Files().FileExists(path)) text = ReadTextStart(path);
    } else {
      std::string entry = "readme.txt";
      if (ResolveSource(entry)) text = ReadTextStart(entry);
    }
  } catch (...) {
    text.clear();  // a readme that cannot be fetched leaves the page empty
  }
  view_->SetText(memo1, text);
}

void TDistributeConfigForm::LoadBanner() {
  const TSaverSetting& s = SaverSetting;
  std::string entry = s.Build_BannerImage;
  try {
    if (!ResolveSource(entry) || !s.Build_UseBanner) return;
    TPicture picture;
    LoadPicture(picture, entry, kFaceColor);
    if (!picture.HasGraphic()) return;
    Bitmap24 pixels(picture.Width(), picture.Height(), kFaceColor);
    picture.Graphic()->Draw(pixels);
    view_->SetPicture(BannerImage, {pixels.Bits(), pixels.Width(), pixels.Height(),
                                    static_cast<std::ptrdiff_t>(pixels.Stride())});
  } catch (...) {
    return;  // the banner stays hidden; the title stays visible
  }
  if (s.Build_HideTitle) view_->BringToFront(BannerImage);
  SetHint(BannerImage, s.Build_BannerTips);
  view_->SetVisible(BannerImage, true);
  if (!s.Build_BannerURL.empty()) view_->SetCursor(BannerImage, ControlCursor::kHand);
}

void TDistributeConfigForm::ShowCursorCheckClick() {
  const bool free = !view_->Checked(ShowCursorCheck) && !view_->Checked(EscKeyCheck);
  for (const Control box : {MouseMoveCheck, MousePressCheck, KeyboardCheck}) view_->SetEnabled(box, free);
}

void TDistributeConfigForm::_BtnOKClick() {
  platform::DialogView& v = *view_;
  TSaverSetting& s = SaverSetting;
  s.MouseMove = v.Checked(MouseMoveCheck);
  s.MousePress = v.Checked(MousePressCheck);
  s.KeyboardPress = v.Checked(KeyboardCheck);
  s.ShowCursor = v.Checked(ShowCursorCheck);
  s.OnlyEscKeyExit = v.Checked(EscKeyCheck);
  s.BackgroundColor = static_cast<std::int32_t>(v.Color(BackcolorCb));
  s.ImageInterval = SpinValue(v.Text(IntervalEdit), kIntervalMin, kIntervalMax);
  if (v.Checked(OptimizationRadio)) s.ImageSize = 0;
  if (v.Checked(OriginalRadio)) s.ImageSize = 1;
  if (v.Checked(StretchRadio)) s.ImageSize = 2;
  s.ImageSequence = v.Checked(NormalizeRadio) ? 0 : v.Checked(RandomizeRadio) ? 1 : 2;
  s.EffectSpeed2 = SpinValue(v.Text(SpeedEdit), kSpeedMin, kSpeedMax);
  s.PlayMusic = v.Checked(PlayMusicCheck);
  s.CaptionForceHide = !v.Checked(CaptionCheck);

  WritePayloadSettings();
  if (PayloadFound) {
    try {
      WriteUserSettings();
    } catch (const Exception& e) {
      // The values written before the failing one stay written.
      platform::Sys().ShowMessage(e.Message(), kCaption, platform::MessageIcon::kError);
    }
  }
  Close();
}

void TDistributeConfigForm::Button1Click() { Close(); }

void TDistributeConfigForm::_TextWebsiteClick(platform::ControlId label) {
  const auto hint = hints_.find(label);
  if (hint == hints_.end()) return;
  if (const auto target = LinkAddress(hint->second)) platform::Shell().OpenDocument(*target);
}

void TDistributeConfigForm::SetHint(platform::ControlId id, const std::string& hint) {
  hints_[id] = hint;
  view_->SetHint(id, hint);
}

void TDistributeConfigForm::BannerImageClick() {
  std::string url = SaverSetting.Build_BannerURL;
  if (url.empty()) return;
  if (url.find("://") == std::string::npos) url = "http://" + url;
  if (const auto target = LinkAddress(url)) platform::Shell().OpenDocument(*target);
}

}  // namespace kestro
