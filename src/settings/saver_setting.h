#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "payload/mem_ini_file.h"

namespace kestro {

// A set of effect numbers 0 to 151.
using TEffectSet = std::bitset<152>;
// An ordered list of source entries, as the settings file names them.
using TSourceList = std::vector<std::string>;

// Effect list used when the settings file has no "useeffects" key.
extern const char kDefaultEffectList[];

// Every setting of a screensaver. Fields are named after their settings keys
// (caption fields prefixed "Caption") and hold their defaults until loaded.
// Back_Image_Path and Build_LicenseText have defaults that depend on the
// install folder; the loader fills them in.
struct TSaverSetting {
  TSourceList PictureList;
  std::uint8_t ImageSize = 0;
  bool AllowReverseTransition = false;
  bool ClearOldImage = false;
  std::int32_t ImageInterval = 3;
  std::int32_t BackgroundColor = 0;
  std::string PicturePath;
  TSourceList MusicList;
  bool PlayMusic = true;
  bool RandomMusic = false;
  bool LoopMusic = true;
  std::string MusicPath;
  std::int32_t EffectSpeed2 = 3;
  TEffectSet EnabledEffects;
  bool CaptionForceHide = false;
  std::uint8_t CaptionPosition = 0;
  std::int32_t CaptionX = 10;
  std::int32_t CaptionY = 10;
  std::string CaptionFontName = "MS Sans Serif";
  std::int32_t CaptionFontSize = 9;
  std::int32_t CaptionFontColor = 16777215;
  bool CaptionFontBold = false;
  bool CaptionFontItalic = false;
  bool CaptionFontUnderline = false;
  bool CaptionFontStrikeout = false;
  bool MouseMove = false;
  bool MousePress = true;
  bool KeyboardPress = true;
  bool ShowCursor = false;
  bool OnlyEscKeyExit = false;
  TSourceList FlashList;
  std::int32_t FlashSize = 0;
  std::int32_t FlashQuality = 1;
  std::int32_t FlashColor = 0;
  bool FlashMute = false;
  std::int32_t FlashStopTime = 10;
  std::int32_t FlashDownloadTime = 20;
  bool FlashPreview = true;
  TSourceList VideoList;
  std::int32_t VideoSize = 0;
  bool VideoMute = false;
  std::int32_t VideoDownloadTime = 20;
  bool VideoShowStatus = true;
  bool VideoPreview = false;
  TSourceList WebList;
  bool WebImage = true;
  bool WebSound = true;
  bool WebVideo = true;
  bool WebScript = true;
  bool WebActiveX = true;
  bool WebOffline = false;
  bool WebHideScrollBar = true;
  bool WebFlatBorder = true;
  bool WebStopPopup = true;
  std::int32_t WebInterval = 10;
  std::int32_t WebMaxInterval = 20;
  bool WebShowStatus = true;
  bool WebLastPage = false;
  std::string ScrName = "Screensaver Setting";
  bool RandomPosition = false;
  bool resell = false;
  std::string BuildName;
  std::string BuildAuthor;
  std::string BuildWebsite;
  std::string BuildEmail;
  std::string IconFile;
  bool ImageEncrypt = false;
  bool HideKestroText = false;
  bool Build_NotCreateIcons = false;
  bool Build_DisableSetupPrompt = false;
  bool NoUserSetting = false;
  std::string TempImageFile;
  bool Back_Mode_UseColor = true;
  bool Back_Image_UseTiled = true;
  std::string Back_Image_Filename;
  std::string Back_Image_Path;
  std::string Author;
  std::string Website;
  std::string ScrEmail;
  bool MediaPlayerMp3 = false;
  bool TransparentMode = false;
  std::int32_t TransparentModeColor = 0;
  bool ShowSplash = false;
  std::string SplashImage;
  bool ImageSameMonitor = true;
  bool FlashSameMonitor = true;
  bool VideoSameMonitor = true;
  bool WebSameMonitor = true;
  std::uint8_t ImageSequence = 1;
  std::uint8_t FlashSequence = 0;
  std::uint8_t VideoSequence = 0;
  std::uint8_t WebSequence = 0;
  bool Build_UseBanner = false;
  bool Build_HideTitle = false;
  std::string Build_BannerTips;
  std::string Build_BannerURL;
  std::string Build_BannerImage = "kestrobanner.jpg";
  bool Build_UseStaticPreview = false;
  std::string Build_StaticImage;
  bool Build_ShowInstallLicense = false;
  std::string Build_ReadmeText;
  std::string Build_LicenseText;
  bool Build_AddPassword = false;
  std::string InstallPassword;
};

// The one settings record of the process.
extern TSaverSetting SaverSetting;

// Values derived from the program file, computed when the settings load.
extern std::string ProgramFolder;   // folder of the program file, with trailing separator
extern std::string SaverName;       // the program's long file name without its extension
extern std::string InstallFolder;   // where sample, background and licence files live
// How many more mouse-move messages the show tolerates before one counts as
// an exit request; set to 20 when the settings load, and again by the
// full-screen window on creation, every 3 seconds and after a failed exit.
extern std::int32_t MouseMoveAllowance;

// Key of the per-user settings under the user's root; + the program's file name.
inline constexpr char kUserKeyRoot[] = "Software\\Brumelwick\\";

// Turns a comma-terminated list of effect numbers into a set: each item
// before a "," that reads as an integer (leading blanks, a sign, "$" for
// hexadecimal) from 0 to 151 is in the set; anything after the last "," is
// ignored.
TEffectSet ParseEffectList(std::string_view text);
// The set as its comma list, ascending ("1,2,5"; empty for the empty set).
std::string FormatEffectList(const TEffectSet& effects);

// Start-up: seeds the random generator, prepares the stores, reads the
// payload's settings file and (when a payload was found) the user's values
// for the given saver kind (0 image, 1 flash, 2 video, 3 web), builds the
// source lists and shuffles those whose sequence setting is 2.
void LoadAllSettings(std::uint8_t saverKind);
// Computes the derived values and opens PayloadSettings on SettingsFile
// (ProgramFolder + SaverName + ".002" when no payload was found).
void PrepareSettingsStores();
// Every key of the record from PayloadSettings, with its default.
void ReadPayloadSettings();
// Reads `ini` into `record` (lists and derived values untouched); the
// defaults that depend on the install folder take `installFolder`.
void ReadSettingsRecord(const TMemIniFile& ini, const std::string& installFolder, TSaverSetting& record);
// The user's values for the saver kind, in order, up to the first that is
// missing or not a 32-bit integer.
void ReadUserSettings(std::uint8_t saverKind);

// Writes the record's payload keys into PayloadSettings and the store to
// SettingsFile. Errors are swallowed.
void WritePayloadSettings();
// Writes the record's payload keys into `ini`.
void WriteSettingsRecord(const TSaverSetting& record, TMemIniFile& ini);
// Writes the twelve values the settings dialog edits to the user's key,
// creating it. Nothing happens when the key cannot be opened; a value that
// cannot be written raises ERegistryException (earlier ones stay written).
void WriteUserSettings();

// The record a screensaver starts with before the user's values: defaults
// and `ini`, the lists in file order (not shuffled, resources neither
// listed nor extracted), the derived values for `programPath` with the
// install folder that applies when the user store names none.
TSaverSetting ReadPayloadRecord(const TMemIniFile& ini, const std::string& programPath);

// The user's key path for a program path: kUserKeyRoot + its file name.
std::string UserKeyPath(const std::string& programPath);

}  // namespace kestro
