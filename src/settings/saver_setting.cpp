#include "settings/saver_setting.h"

#include "common/intparse.h"
#include "settings/setting_fields.h"

namespace kestro {

const char kDefaultEffectList[] =
    "59,58,70,69,82,83,81,80,84,85,6,5,23,22,7,8,14,15,31,32,113,112,111,110,114,115,116,65,66,76,77,"
    "100,102,101,103,106,107,104,105,67,68,78,79,108,109,86,88,87,89,93,91,92,90,96,97,94,95,98,99,16,"
    "17,33,34,123,124,125,126,60,61,71,72,63,62,73,74,75,64,11,12,28,29,53,54,55,57,24,25,45,44,46,43,"
    "117,118,127,129,128,133,132,131,130,135,134,142,143,144,";

TSaverSetting SaverSetting;

namespace {

const TSettingField kFields[] = {
    {"PictureList", "Pictures", nullptr, &TSaverSetting::PictureList},
    {"ImageSize", "Set", "ImageSize", &TSaverSetting::ImageSize},
    {"AllowReverseTransition", "Set", "AllowReverseTransition", &TSaverSetting::AllowReverseTransition},
    {"ClearOldImage", "Set", "ClearOldImage", &TSaverSetting::ClearOldImage},
    {"ImageInterval", "Set", "ImageInterval", &TSaverSetting::ImageInterval},
    {"BackgroundColor", "Set", "BackgroundColor", &TSaverSetting::BackgroundColor},
    {"PicturePath", "Set", "PicturePath", &TSaverSetting::PicturePath},
    {"MusicList", "Music", nullptr, &TSaverSetting::MusicList},
    {"PlayMusic", "Set", "PlayMusic", &TSaverSetting::PlayMusic},
    {"RandomMusic", "Set", "RandomMusic", &TSaverSetting::RandomMusic},
    {"LoopMusic", "Set", "LoopMusic", &TSaverSetting::LoopMusic},
    {"MusicPath", "Set", "MusicPath", &TSaverSetting::MusicPath},
    {"EffectSpeed2", "Set", "EffectSpeed2", &TSaverSetting::EffectSpeed2},
    {"EnabledEffects", "set", "useeffects", &TSaverSetting::EnabledEffects},
    {"CaptionForceHide", "Caption", "ForceHide", &TSaverSetting::CaptionForceHide},
    {"CaptionPosition", "Caption", "Position", &TSaverSetting::CaptionPosition},
    {"CaptionX", "Caption", "X", &TSaverSetting::CaptionX},
    {"CaptionY", "Caption", "Y", &TSaverSetting::CaptionY},
    {"CaptionFontName", "Caption", "FontName", &TSaverSetting::CaptionFontName},
    {"CaptionFontSize", "Caption", "FontSize", &TSaverSetting::CaptionFontSize},
    {"CaptionFontColor", "Caption", "FontColor", &TSaverSetting::CaptionFontColor},
    {"CaptionFontBold", "Caption", "FontBold", &TSaverSetting::CaptionFontBold},
    {"CaptionFontItalic", "Caption", "FontItalic", &TSaverSetting::CaptionFontItalic},
    {"CaptionFontUnderline", "Caption", "FontUnderline", &TSaverSetting::CaptionFontUnderline},
    {"CaptionFontStrikeout", "Caption", "FontStrikeout", &TSaverSetting::CaptionFontStrikeout},
    {"MouseMove", "Set", "MouseMove", &TSaverSetting::MouseMove},
    {"MousePress", "Set", "MousePress", &TSaverSetting::MousePress},
    {"KeyboardPress", "Set", "KeyboardPress", &TSaverSetting::KeyboardPress},
    {"ShowCursor", "Set", "ShowCursor", &TSaverSetting::ShowCursor},
    {"OnlyEscKeyExit", "Set", "OnlyEscKeyExit", &TSaverSetting::OnlyEscKeyExit},
    {"FlashList", "Flash", nullptr, &TSaverSetting::FlashList},
    {"FlashSize", "Set", "FlashSize", &TSaverSetting::FlashSize},
    {"FlashQuality", "Set", "FlashQuality", &TSaverSetting::FlashQuality},
    {"FlashColor", "Set", "FlashColor", &TSaverSetting::FlashColor},
    {"FlashMute", "Set", "FlashMute", &TSaverSetting::FlashMute},
    {"FlashStopTime", "Set", "FlashStopTime", &TSaverSetting::FlashStopTime},
    {"FlashDownloadTime", "Set", "FlashDownloadTime", &TSaverSetting::FlashDownloadTime},
    {"FlashPreview", "Set", "FlashPreview", &TSaverSetting::FlashPreview},
    {"VideoList", "Video", nullptr, &TSaverSetting::VideoList},
    {"VideoSize", "Set", "VideoSize", &TSaverSetting::VideoSize},
    {"VideoMute", "Set", "VideoMute", &TSaverSetting::VideoMute},
    {"VideoDownloadTime", "Set", "VideoDownloadTime", &TSaverSetting::VideoDownloadTime},
    {"VideoShowStatus", "Set", "VideoShowStatus", &TSaverSetting::VideoShowStatus},
    {"VideoPreview", "Set", "VideoPreview", &TSaverSetting::VideoPreview},
    {"WebList", "Web", nullptr, &TSaverSetting::WebList},
    {"WebImage", "Set", "WebImage", &TSaverSetting::WebImage},
    {"WebSound", "Set", "WebSound", &TSaverSetting::WebSound},
    {"WebVideo", "Set", "WebVideo", &TSaverSetting::WebVideo},
    {"WebScript", "Set", "WebScript", &TSaverSetting::WebScript},
    {"WebActiveX", "Set", "WebActiveX", &TSaverSetting::WebActiveX},
    {"WebOffline", "Set", "WebOffline", &TSaverSetting::WebOffline},
    {"WebHideScrollBar", "Set", "WebHideScrollBar", &TSaverSetting::WebHideScrollBar},
    {"WebFlatBorder", "Set", "WebFlatBorder", &TSaverSetting::WebFlatBorder},
    {"WebStopPopup", "Set", "WebStopPopup", &TSaverSetting::WebStopPopup},
    {"WebInterval", "Set", "WebInterval", &TSaverSetting::WebInterval},
    {"WebMaxInterval", "Set", "WebMaxInterval", &TSaverSetting::WebMaxInterval},
    {"WebShowStatus", "Set", "WebShowStatus", &TSaverSetting::WebShowStatus},
    {"WebLastPage", "Set", "WebLastPage", &TSaverSetting::WebLastPage},
    {"ScrName", "Set", "ScrName", &TSaverSetting::ScrName},
    {"RandomPosition", "Set", "RandomPosition", &TSaverSetting::RandomPosition},
    {"resell", "Set", "resell", &TSaverSetting::resell},
    {"BuildName", "Set", "BuildName", &TSaverSetting::BuildName},
    {"BuildAuthor", "Set", "BuildAuthor", &TSaverSetting::BuildAuthor},
    {"BuildWebsite", "Set", "BuildWebsite", &TSaverSetting::BuildWebsite},
    {"BuildEmail", "Set", "BuildEmail", &TSaverSetting::BuildEmail},
    {"IconFile", "Set", "IconFile", &TSaverSetting::IconFile},
    {"ImageEncrypt", "Set", "ImageEncrypt", &TSaverSetting::ImageEncrypt},
    {"HideKestroText", "Set", "HideKestroText", &TSaverSetting::HideKestroText},
    {"Build_NotCreateIcons", "Set", "Build_NotCreateIcons", &TSaverSetting::Build_NotCreateIcons},
    {"Build_DisableSetupPrompt", "Set", "Build_DisableSetupPrompt", &TSaverSetting::Build_DisableSetupPrompt},
    {"NoUserSetting", "Set", "NoUserSetting", &TSaverSetting::NoUserSetting},
    {"TempImageFile", nullptr, nullptr, &TSaverSetting::TempImageFile},
    {"Back_Mode_UseColor", "Set", "Back_Mode_UseColor", &TSaverSetting::Back_Mode_UseColor},
    {"Back_Image_UseTiled", "Set", "Back_Image_UseTiled", &TSaverSetting::Back_Image_UseTiled},
    {"Back_Image_Filename", "Set", "Back_Image_Filename", &TSaverSetting::Back_Image_Filename},
    {"Back_Image_Path", "Set", "Back_Image_Path", &TSaverSetting::Back_Image_Path},
    {"Author", "Set", "Author", &TSaverSetting::Author},
    {"Website", "Set", "Website", &TSaverSetting::Website},
    {"ScrEmail", "Set", "ScrEmail", &TSaverSetting::ScrEmail},
    {"MediaPlayerMp3", "Set", "MediaPlayerMp3", &TSaverSetting::MediaPlayerMp3},
    {"TransparentMode", "Set", "TransparentMode", &TSaverSetting::TransparentMode},
    {"TransparentModeColor", "Set", "TransparentModeColor", &TSaverSetting::TransparentModeColor},
    {"ShowSplash", "Set", "ShowSplash", &TSaverSetting::ShowSplash},
    {"SplashImage", "Set", "SplashImage", &TSaverSetting::SplashImage},
    {"ImageSameMonitor", "Set", "ImageSameMonitor", &TSaverSetting::ImageSameMonitor},
    {"FlashSameMonitor", "Set", "FlashSameMonitor", &TSaverSetting::FlashSameMonitor},
    {"VideoSameMonitor", "Set", "VideoSameMonitor", &TSaverSetting::VideoSameMonitor},
    {"WebSameMonitor", "Set", "WebSameMonitor", &TSaverSetting::WebSameMonitor},
    {"ImageSequence", "Set", "ImageSequence", &TSaverSetting::ImageSequence},
    {"FlashSequence", "Set", "FlashSequence", &TSaverSetting::FlashSequence},
    {"VideoSequence", "Set", "VideoSequence", &TSaverSetting::VideoSequence},
    {"WebSequence", "Set", "WebSequence", &TSaverSetting::WebSequence},
    {"Build_UseBanner", "Set", "Build_UseBanner", &TSaverSetting::Build_UseBanner},
    {"Build_HideTitle", "Set", "Build_HideTitle", &TSaverSetting::Build_HideTitle},
    {"Build_BannerTips", "Set", "Build_BannerTips", &TSaverSetting::Build_BannerTips},
    {"Build_BannerURL", "Set", "Build_BannerURL", &TSaverSetting::Build_BannerURL},
    {"Build_BannerImage", "Set", "Build_BannerImage", &TSaverSetting::Build_BannerImage},
    {"Build_UseStaticPreview", "Set", "Build_UseStaticPreview", &TSaverSetting::Build_UseStaticPreview},
    {"Build_StaticImage", "Set", "Build_StaticImage", &TSaverSetting::Build_StaticImage},
    {"Build_ShowInstallLicense", "Set", "Build_ShowInstallLicense", &TSaverSetting::Build_ShowInstallLicense},
    {"Build_ReadmeText", "Set", "Build_ReadmeText", &TSaverSetting::Build_ReadmeText},
    {"Build_LicenseText", "Set", "Build_LicenseText", &TSaverSetting::Build_LicenseText},
    {"Build_AddPassword", "Set", "Build_AddPassword", &TSaverSetting::Build_AddPassword},
    {"InstallPassword", "Set", "InstallPassword", &TSaverSetting::InstallPassword},
};

}  // namespace

std::span<const TSettingField> SettingFields() { return kFields; }

const TSettingField* FindSettingField(std::string_view name) {
  for (const TSettingField& field : kFields) {
    if (name == field.name) return &field;
  }
  return nullptr;
}

TEffectSet ParseEffectList(std::string_view text) {
  TEffectSet effects;
  std::size_t pos = 0;
  while (true) {
    const std::size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) break;  // what follows the last comma is ignored
    const auto number = ParseInteger(text.substr(pos, comma - pos));
    if (number && *number >= 0 && *number < static_cast<std::int32_t>(effects.size())) {
      effects.set(static_cast<std::size_t>(*number));
    }
    pos = comma + 1;
  }
  return effects;
}

std::string FormatEffectList(const TEffectSet& effects) {
  std::string out;
  for (std::size_t i = 0; i < effects.size(); ++i) {
    if (!effects.test(i)) continue;
    if (!out.empty()) out.push_back(',');
    out += std::to_string(i);
  }
  return out;
}

}  // namespace kestro
