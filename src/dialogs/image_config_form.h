#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/api/dialog.h"

namespace kestro {

// The dialog's client size and the right edge of the header's labels.
inline constexpr std::int32_t kConfigClientWidth = 503;
inline constexpr std::int32_t kConfigClientHeight = 350;
inline constexpr std::int32_t kHeaderLabelRight = 476;
// The spin boxes' ranges.
inline constexpr std::int32_t kIntervalMin = 1, kIntervalMax = 1000;
inline constexpr std::int32_t kSpeedMin = 1, kSpeedMax = 5;
// Readme files larger than this show their first part.
inline constexpr std::size_t kMaxReadmeSize = 1u << 20;

// The address a link of the dialog opens, or nothing when the text is not a
// web or mail address: "mailto:" addresses and http, https and ftp addresses
// as they are, a text without any scheme (www.example.com) as an http
// address. Other schemes, file names and paths open nothing: a settings
// file must not be able to start a program through a click on a label.
std::optional<std::string> LinkAddress(std::string_view text);

// A spin box's value from its text: the number clamped to the range, the
// lowest value when the text is not a number.
std::int32_t SpinValue(std::string_view text, std::int32_t minValue, std::int32_t maxValue);

// The settings dialog of the configure request: the screensaver's title and
// author, the settings that belong to the user, the readme. OK stores the
// values in both stores; Cancel and the system-menu close store nothing.
// It is the application's main window: closing it ends the event loop.
class TDistributeConfigForm {
 public:
  // The dialog's controls, by their design names.
  enum Control : platform::ControlId {
    Shape1 = 1,
    BannerImage,
    title_label,
    AuthorLabel,
    WebsiteLabel,
    PageControl1,
    TabSheet1,
    ImageSizeGroup,
    OptimizationRadio,
    OriginalRadio,
    StretchRadio,
    SequenceGroup,
    NormalizeRadio,
    RandomizeRadio,
    IntelliRadio,
    TransitionGroup,
    BackcolorLabel,
    BackcolorCb,
    IntervalLabel,
    IntervalEdit,
    SpeedLabel,
    SpeedEdit,
    PlayMusicCheck,
    CaptionCheck,
    TabSheet4,
    ExitGroup,
    MouseMoveCheck,
    MousePressCheck,
    KeyboardCheck,
    ShowCursorCheck,
    EscKeyCheck,
    TabSheet2,
    memo1,
    _Textkestro,
    _TextWebsite,
    _BtnOK,
    Button1,
  };

  // Makes the dialog (hidden) on the window system's dialog view; nullptr
  // when the window system has none.
  static std::unique_ptr<TDistributeConfigForm> Create();
  explicit TDistributeConfigForm(std::unique_ptr<platform::DialogView> view);
  ~TDistributeConfigForm();
  TDistributeConfigForm(const TDistributeConfigForm&) = delete;
  TDistributeConfigForm& operator=(const TDistributeConfigForm&) = delete;

  // The dialog's controls with their captions, places and sizes.
  static platform::DialogLayout Layout();

  // Fills the dialog from the settings (FormShow) and shows it.
  void Show();
  // Fills the dialog from SaverSetting; may set CaptionPosition to 4.
  void FormShow();
  // The three exit boxes of the group are enabled only while neither "Show
  // mouse cursor" nor "Exit only when press ESC key" is ticked.
  void ShowCursorCheckClick();
  // Stores the controls' values into SaverSetting and both stores, closes.
  void _BtnOKClick();
  // Cancel: closes without storing.
  void Button1Click();
  // Opens the address in the clicked label's hint.
  void _TextWebsiteClick(platform::ControlId label);
  // Opens "Build_BannerURL" when there is one.
  void BannerImageClick();
  void Close();

  platform::DialogView& View() { return *view_; }

 private:
  void ControlClick(platform::ControlId id);
  void LoadReadme();
  void LoadBanner();
  void SetHint(platform::ControlId id, const std::string& hint);

  std::unique_ptr<platform::DialogView> view_;
  std::map<platform::ControlId, std::string> hints_;
  bool authorLinked_ = false;  // AuthorLabel opens its hint like WebsiteLabel
  bool closed_ = false;
};

}  // namespace kestro
