// Loading the settings record from its two stores and writing it back.

#include <type_traits>

#include "common/ansi.h"
#include "common/paths.h"
#include "common/random.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "platform/api/shell.h"
#include "platform/api/system.h"
#include "platform/api/user_store.h"
#include "payload/payload_settings.h"
#include "settings/saver_setting.h"
#include "settings/setting_fields.h"
#include "settings/sources.h"

namespace kestro {

std::string ProgramFolder;
std::string SaverName;
std::string InstallFolder;
std::int32_t MouseMoveAllowance = 20;

namespace {

// The licence text shipped beside an installation is shown whole; larger
// files are not read.
constexpr std::size_t kMaxLicenseText = 1u << 20;

// Saver kinds a user value is read for, one bit per kind (bit 0 image,
// 1 flash, 2 video, 3 web).
constexpr std::uint8_t kImage = 1, kFlash = 2, kVideo = 4, kWeb = 8;
constexpr std::uint8_t kAllKinds = kImage | kFlash | kVideo | kWeb;

struct TUserValue {
  const char* name;
  TSettingRef ref;
  std::uint8_t kinds;
};

// The user's values in the order they are read.
const TUserValue kUserValues[] = {
    {"MouseMoveExit", &TSaverSetting::MouseMove, kAllKinds},
    {"MousePressExit", &TSaverSetting::MousePress, kAllKinds},
    {"KeyboardPressExit", &TSaverSetting::KeyboardPress, kAllKinds},
    {"ShowCursor", &TSaverSetting::ShowCursor, kAllKinds},
    {"OnlyEscKeyExit", &TSaverSetting::OnlyEscKeyExit, kAllKinds},
    {"BackgroundColor", &TSaverSetting::BackgroundColor, kImage},
    {"ImageInterval", &TSaverSetting::ImageInterval, kImage},
    {"ImageSize", &TSaverSetting::ImageSize, kImage},
    {"ImageSequence", &TSaverSetting::ImageSequence, kImage},
    {"EffectSpeed2", &TSaverSetting::EffectSpeed2, kImage},
    {"PlayMusic", &TSaverSetting::PlayMusic, kImage | kWeb},
    {"CaptionForceHide", &TSaverSetting::CaptionForceHide, kImage},
    {"FlashSequence", &TSaverSetting::FlashSequence, kFlash},
    {"FlashSize", &TSaverSetting::FlashSize, kFlash},
    {"FlashQuality", &TSaverSetting::FlashQuality, kFlash},
    {"FlashColor", &TSaverSetting::FlashColor, kFlash},
    {"FlashDownloadTime", &TSaverSetting::FlashDownloadTime, kFlash},
    {"FlashMute", &TSaverSetting::FlashMute, kFlash},
    {"VideoSequence", &TSaverSetting::VideoSequence, kVideo},
    {"VideoSize", &TSaverSetting::VideoSize, kVideo},
    {"VideoMute", &TSaverSetting::VideoMute, kVideo},
    {"VideoDownloadTime", &TSaverSetting::VideoDownloadTime, kVideo},
    {"VideoShowStatus", &TSaverSetting::VideoShowStatus, kVideo},
    {"WebSequence", &TSaverSetting::WebSequence, kWeb},
    {"WebInterval", &TSaverSetting::WebInterval, kWeb},
    {"WebOffline", &TSaverSetting::WebOffline, kWeb},
    {"WebHideScrollBar", &TSaverSetting::WebHideScrollBar, kWeb},
    {"WebFlatBorder", &TSaverSetting::WebFlatBorder, kWeb},
    {"WebStopPopup", &TSaverSetting::WebStopPopup, kWeb},
    {"WebShowStatus", &TSaverSetting::WebShowStatus, kWeb},
    {"WebLastPage", &TSaverSetting::WebLastPage, kWeb},
};

// The values the settings dialog edits, in the order they are written.
const TUserValue kWrittenUserValues[] = {
    {"MouseMoveExit", &TSaverSetting::MouseMove, kAllKinds},
    {"MousePressExit", &TSaverSetting::MousePress, kAllKinds},
    {"KeyboardPressExit", &TSaverSetting::KeyboardPress, kAllKinds},
    {"ShowCursor", &TSaverSetting::ShowCursor, kAllKinds},
    {"OnlyEscKeyExit", &TSaverSetting::OnlyEscKeyExit, kAllKinds},
    {"BackgroundColor", &TSaverSetting::BackgroundColor, kAllKinds},
    {"ImageInterval", &TSaverSetting::ImageInterval, kAllKinds},
    {"ImageSize", &TSaverSetting::ImageSize, kAllKinds},
    {"ImageSequence", &TSaverSetting::ImageSequence, kAllKinds},
    {"EffectSpeed2", &TSaverSetting::EffectSpeed2, kAllKinds},
    {"PlayMusic", &TSaverSetting::PlayMusic, kAllKinds},
    {"CaptionForceHide", &TSaverSetting::CaptionForceHide, kAllKinds},
};

// The fields written back to the settings file, in the order they are written.
const char* const kPayloadWritten[] = {
    "ImageSize", "ImageSequence", "FlashSequence", "VideoSequence", "WebSequence",
    "AllowReverseTransition", "ClearOldImage", "PlayMusic", "RandomMusic", "LoopMusic",
    "ImageInterval", "BackgroundColor", "EffectSpeed2", "PicturePath", "MusicPath",
    "CaptionForceHide", "CaptionPosition", "CaptionX", "CaptionY", "CaptionFontName",
    "CaptionFontSize", "CaptionFontColor", "CaptionFontBold", "CaptionFontItalic",
    "CaptionFontUnderline", "CaptionFontStrikeout",
    "MouseMove", "MousePress", "KeyboardPress", "ShowCursor", "OnlyEscKeyExit",
    "FlashSize", "FlashQuality", "FlashColor", "FlashMute", "FlashStopTime", "FlashDownloadTime",
    "FlashPreview", "VideoSize", "VideoMute", "VideoDownloadTime", "VideoShowStatus", "VideoPreview",
    "WebImage", "WebSound", "WebVideo", "WebScript", "WebActiveX", "WebOffline", "WebHideScrollBar",
    "WebFlatBorder", "WebStopPopup", "WebInterval", "WebMaxInterval", "WebShowStatus", "WebLastPage",
    "RandomPosition", "ScrName", "BuildName", "BuildAuthor", "BuildWebsite", "BuildEmail", "IconFile",
    "ImageEncrypt", "HideKestroText", "Build_NotCreateIcons", "Build_DisableSetupPrompt",
    "Build_AddPassword", "NoUserSetting", "InstallPassword", "Build_ReadmeText",
    "Back_Mode_UseColor", "Back_Image_UseTiled", "Back_Image_Filename", "Back_Image_Path",
    "MediaPlayerMp3", "TransparentMode", "TransparentModeColor", "ShowSplash", "SplashImage",
    "ImageSameMonitor", "FlashSameMonitor", "VideoSameMonitor", "WebSameMonitor",
};

// The program's long file name without its extension. A short 8.3 name
// (holding "~") is replaced by the name the shell shows for the file. The
// extension cut off is the program file's own, and only at the end: a shell
// name shown without extension, or a name holding the extension text
// earlier ("a.scr.old.scr"), keeps the rest of the name.
std::string ComputeSaverName(const std::string& programPath) {
  const std::string fileName = ExtractFileName(programPath);
  std::string name = fileName;
  if (fileName.find('~') != std::string::npos) {
    const std::string shown = ExtractFileName(platform::Shell().FileDisplayName(programPath));
    if (!shown.empty()) name = shown;
  }
  const std::string ext = ExtractFileExt(fileName);
  if (!ext.empty() && name.size() > ext.size() &&
      SameText(std::string_view(name).substr(name.size() - ext.size()), ext)) {
    name.resize(name.size() - ext.size());
  }
  return name;
}

std::string RegistryDefaultValue(const std::string& keyPath) {
  const auto key = platform::UserSettingsStore().OpenKey(keyPath, false);
  if (!key) return {};
  return key->ReadDefaultString().value_or(std::string());
}

std::string DefaultInstallFolder();

std::string ComputeInstallFolder(const std::string& saverName) {
  std::string folder = RegistryDefaultValue(kUserKeyRoot + saverName);
  if (folder.empty()) folder = RegistryDefaultValue(std::string(kUserKeyRoot) + "VorelPro");
  folder = IncludeTrailingSeparator(folder);
  if (folder.size() >= 3) return folder;
  return DefaultInstallFolder();
}

// The first of the usual installation folders that exists, else the last.
std::string DefaultInstallFolder() {
  const std::vector<std::string> candidates = platform::Shell().DefaultInstallFolders();
  for (std::size_t i = 0; i + 1 < candidates.size(); ++i) {
    if (platform::Files().DirectoryExists(candidates[i])) return candidates[i];
  }
  return candidates.empty() ? std::string() : candidates.back();
}

void AssignDword(TSaverSetting& record, const TSettingRef& ref, std::uint32_t value) {
  std::visit(
      [&](auto member) {
        auto& field = record.*member;
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>) {
          field = value != 0;
        } else if constexpr (std::is_same_v<T, std::uint8_t>) {
          field = static_cast<std::uint8_t>(value);
        } else if constexpr (std::is_same_v<T, std::int32_t>) {
          field = static_cast<std::int32_t>(value);
        }
      },
      ref);
}

std::uint32_t DwordOf(const TSaverSetting& record, const TSettingRef& ref) {
  return std::visit(
      [&](auto member) -> std::uint32_t {
        const auto& field = record.*member;
        using T = std::decay_t<decltype(field)>;
        if constexpr (std::is_same_v<T, bool>) {
          return field ? 1u : 0u;
        } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int32_t>) {
          return static_cast<std::uint32_t>(field);
        } else {
          return 0u;
        }
      },
      ref);
}

}  // namespace

std::string UserKeyPath(const std::string& programPath) {
  return kUserKeyRoot + ExtractFileName(programPath);
}

void PrepareSettingsStores() {
  MouseMoveAllowance = 20;
  for (TSourceList* list : {&SaverSetting.PictureList, &SaverSetting.MusicList, &SaverSetting.FlashList,
                            &SaverSetting.VideoList, &SaverSetting.WebList}) {
    list->clear();
  }
  const std::string program = platform::Sys().ProgramPath();
  ProgramFolder = ExtractFilePath(program);
  SaverName = ComputeSaverName(program);
  InstallFolder = ComputeInstallFolder(SaverName);
  SaverSetting.TempImageFile = ProgramFolder + "tempimagefile";
  if (!PayloadFound) SettingsFile = ProgramFolder + SaverName + ".002";
  PayloadSettings() = TMemIniFile(SettingsFile);
}

void ReadSettingsRecord(const TMemIniFile& ini, const std::string& installFolder, TSaverSetting& record) {
  TSaverSetting defaults;
  defaults.Back_Image_Path = installFolder + "background" + kPathSep;
  if (!installFolder.empty()) {
    const std::string licence = installFolder + "licensetext.txt";
    if (platform::Files().FileExists(licence)) {
      defaults.Build_LicenseText = platform::Files().ReadWholeFile(licence, kMaxLicenseText).value_or("");
    }
  }
  for (const TSettingField& field : SettingFields()) {
    if (field.section == nullptr || field.key == nullptr) continue;  // derived values and lists
    std::visit(
        [&](auto member) {
          auto& value = record.*member;
          const auto& fallback = defaults.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, bool>) {
            value = ini.ReadBool(field.section, field.key, fallback);
          } else if constexpr (std::is_same_v<T, std::uint8_t>) {
            value = static_cast<std::uint8_t>(ini.ReadInteger(field.section, field.key, fallback));
          } else if constexpr (std::is_same_v<T, std::int32_t>) {
            value = ini.ReadInteger(field.section, field.key, fallback);
          } else if constexpr (std::is_same_v<T, std::string>) {
            value = ini.ReadString(field.section, field.key, fallback);
          } else if constexpr (std::is_same_v<T, TEffectSet>) {
            value = ParseEffectList(ini.ReadString(field.section, field.key, kDefaultEffectList));
          }
        },
        field.ref);
  }
  // Positions are 1 to 5; anything else (before narrowing to a byte) is none.
  const std::int32_t position = ini.ReadInteger("Caption", "Position", 0);
  record.CaptionPosition = position >= 1 && position <= 5 ? static_cast<std::uint8_t>(position) : 0;
}

void ReadPayloadSettings() { ReadSettingsRecord(PayloadSettings(), InstallFolder, SaverSetting); }

void ReadUserSettings(std::uint8_t saverKind) {
  if (saverKind > 3) return;
  const auto key = platform::UserSettingsStore().OpenKey(UserKeyPath(platform::Sys().ProgramPath()), false);
  if (!key) return;
  const auto kind = static_cast<std::uint8_t>(1u << saverKind);
  for (const TUserValue& value : kUserValues) {
    if ((value.kinds & kind) == 0) continue;
    const platform::DwordValue read = key->ReadDword(value.name);
    if (read.state != platform::ValueState::kOk) return;  // this value and all later ones stay
    AssignDword(SaverSetting, value.ref, read.value);
  }
}

void WriteSettingsRecord(const TSaverSetting& record, TMemIniFile& ini) {
  for (const char* name : kPayloadWritten) {
    const TSettingField* field = FindSettingField(name);
    if (field == nullptr || field->key == nullptr) continue;
    std::visit(
        [&](auto member) {
          const auto& value = record.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, bool>) {
            ini.WriteBool(field->section, field->key, value);
          } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int32_t>) {
            ini.WriteInteger(field->section, field->key, value);
          } else if constexpr (std::is_same_v<T, std::string>) {
            ini.WriteString(field->section, field->key, value);
          }
        },
        field->ref);
  }
}

void WritePayloadSettings() {
  try {
    TMemIniFile& ini = PayloadSettings();
    WriteSettingsRecord(SaverSetting, ini);
    ini.UpdateFile();
  } catch (...) {
    // Saving the settings file is best effort; the user's values carry over.
  }
}

void WriteUserSettings() {
  const auto key = platform::UserSettingsStore().OpenKey(UserKeyPath(platform::Sys().ProgramPath()), true);
  if (!key) return;
  for (const TUserValue& value : kWrittenUserValues) key->WriteDword(value.name, DwordOf(SaverSetting, value.ref));
}

TSaverSetting ReadPayloadRecord(const TMemIniFile& ini, const std::string& programPath) {
  TSaverSetting record;
  ReadSettingsRecord(ini, DefaultInstallFolder(), record);
  record.PictureList = ReadSourceList(ini, "Pictures");
  record.MusicList = ReadSourceList(ini, "Music");
  record.FlashList = ReadSourceList(ini, "Flash");
  record.VideoList = ReadSourceList(ini, "Video");
  record.WebList = ReadSourceList(ini, "Web");
  record.TempImageFile = ExtractFilePath(programPath) + "tempimagefile";
  return record;
}

void LoadAllSettings(std::uint8_t saverKind) {
  SeedRandomFromClock();
  PrepareSettingsStores();
  ReadPayloadSettings();
  if (PayloadFound) ReadUserSettings(saverKind);
  BuildSourceList("Pictures", SaverSetting.PictureList);
  BuildSourceList("Music", SaverSetting.MusicList);
  BuildSourceList("Flash", SaverSetting.FlashList);
  BuildSourceList("Video", SaverSetting.VideoList);
  BuildSourceList("Web", SaverSetting.WebList);
  ShuffleSequences();
}

}  // namespace kestro
