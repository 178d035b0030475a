#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include <filesystem>

#include "settings/setting_report.h"
#include "settings_fixture.h"

namespace kestro {
namespace {

using testing::ReadFile;
using testing::SettingsFixture;
using testing::WriteFile;

TEST(ParseEffectListTest, EveryNumberNeedsItsComma) {
  EXPECT_EQ(FormatEffectList(ParseEffectList("1,2,3")), "1,2");
  EXPECT_EQ(FormatEffectList(ParseEffectList("5,7")), "5");
  EXPECT_TRUE(ParseEffectList("").none());
  EXPECT_TRUE(ParseEffectList("12").none());
}

TEST(ParseEffectListTest, ItemsOutsideTheRangeOrNotNumbersAreSkipped) {
  EXPECT_EQ(FormatEffectList(ParseEffectList(" 5,-1,152,151,$10,abc,,7 ,+8,0,")), "0,5,8,16,151");
}

TEST(ParseEffectListTest, ALongHostileListIsReadInOnePass) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += std::to_string(i % 300) + ",";
  EXPECT_EQ(ParseEffectList(text).count(), 152u);
}

class LoadSettingsTest : public SettingsFixture {};

TEST_F(LoadSettingsTest, NoPayloadAndNoSettingsFileGivesEveryDefault) {
  Start();
  EXPECT_FALSE(PayloadFound);
  EXPECT_EQ(SettingsFile, ProgFolder() + "Show.002");
  EXPECT_EQ(ProgramFolder, ProgFolder());
  EXPECT_EQ(SaverName, "Show");
  // Neither install folder exists: the last one is taken.
  EXPECT_EQ(InstallFolder, dir_.Folder() + "Screensaver/");
  EXPECT_EQ(MouseMoveAllowance, 20);

  // The table of defaults, written out as values: every field of the record
  // (lists empty), by name.
  const std::string inst = InstallFolder;
  const std::map<std::string, std::string> defaults = {
      {"ImageSize", "0"}, {"AllowReverseTransition", "0"}, {"ClearOldImage", "0"}, {"ImageInterval", "3"},
      {"BackgroundColor", "0"}, {"PicturePath", ""}, {"PlayMusic", "1"}, {"RandomMusic", "0"},
      {"LoopMusic", "1"}, {"MusicPath", ""}, {"EffectSpeed2", "3"},
      {"EnabledEffects",
       "5,6,7,8,11,12,14,15,16,17,22,23,24,25,28,29,31,32,33,34,43,44,45,46,53,54,55,57,58,59,60,61,62,63,64,65,"
       "66,67,68,69,70,71,72,73,74,75,76,77,78,79,80,81,82,83,84,85,86,87,88,89,90,91,92,93,94,95,96,97,98,99,100,"
       "101,102,103,104,105,106,107,108,109,110,111,112,113,114,115,116,117,118,123,124,125,126,127,128,129,130,"
       "131,132,133,134,135,142,143,144"},
      {"CaptionForceHide", "0"}, {"CaptionPosition", "0"}, {"CaptionX", "10"}, {"CaptionY", "10"},
      {"CaptionFontName", "MS Sans Serif"}, {"CaptionFontSize", "9"}, {"CaptionFontColor", "16777215"},
      {"CaptionFontBold", "0"}, {"CaptionFontItalic", "0"}, {"CaptionFontUnderline", "0"},
      {"CaptionFontStrikeout", "0"}, {"MouseMove", "0"}, {"MousePress", "1"}, {"KeyboardPress", "1"},
      {"ShowCursor", "0"}, {"OnlyEscKeyExit", "0"}, {"FlashSize", "0"}, {"FlashQuality", "1"},
      {"FlashColor", "0"}, {"FlashMute", "0"}, {"FlashStopTime", "10"}, {"FlashDownloadTime", "20"},
      {"FlashPreview", "1"}, {"VideoSize", "0"}, {"VideoMute", "0"}, {"VideoDownloadTime", "20"},
      {"VideoShowStatus", "1"}, {"VideoPreview", "0"}, {"WebImage", "1"}, {"WebSound", "1"}, {"WebVideo", "1"},
      {"WebScript", "1"}, {"WebActiveX", "1"}, {"WebOffline", "0"}, {"WebHideScrollBar", "1"},
      {"WebFlatBorder", "1"}, {"WebStopPopup", "1"}, {"WebInterval", "10"}, {"WebMaxInterval", "20"},
      {"WebShowStatus", "1"}, {"WebLastPage", "0"}, {"ScrName", "Screensaver Setting"}, {"RandomPosition", "0"},
      {"resell", "0"}, {"BuildName", ""}, {"BuildAuthor", ""}, {"BuildWebsite", ""}, {"BuildEmail", ""},
      {"IconFile", ""}, {"ImageEncrypt", "0"}, {"HideKestroText", "0"}, {"Build_NotCreateIcons", "0"},
      {"Build_DisableSetupPrompt", "0"}, {"NoUserSetting", "0"}, {"TempImageFile", ProgFolder() + "tempimagefile"},
      {"Back_Mode_UseColor", "1"}, {"Back_Image_UseTiled", "1"}, {"Back_Image_Filename", ""},
      {"Back_Image_Path", inst + "background/"}, {"Author", ""}, {"Website", ""}, {"ScrEmail", ""},
      {"MediaPlayerMp3", "0"}, {"TransparentMode", "0"}, {"TransparentModeColor", "0"}, {"ShowSplash", "0"},
      {"SplashImage", ""}, {"ImageSameMonitor", "1"}, {"FlashSameMonitor", "1"}, {"VideoSameMonitor", "1"},
      {"WebSameMonitor", "1"}, {"ImageSequence", "1"}, {"FlashSequence", "0"}, {"VideoSequence", "0"},
      {"WebSequence", "0"}, {"Build_UseBanner", "0"}, {"Build_HideTitle", "0"}, {"Build_BannerTips", ""},
      {"Build_BannerURL", ""}, {"Build_BannerImage", "kestrobanner.jpg"}, {"Build_UseStaticPreview", "0"},
      {"Build_StaticImage", ""}, {"Build_ShowInstallLicense", "0"}, {"Build_ReadmeText", ""},
      {"Build_LicenseText", ""}, {"Build_AddPassword", "0"}, {"InstallPassword", ""},
  };
  std::map<std::string, std::string> actual;
  std::istringstream report(FormatSaverSetting(SaverSetting));
  for (std::string line; std::getline(report, line);) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      EXPECT_TRUE(line.ends_with("List")) << "a list holds " << line;  // an entry of a list
      continue;
    }
    actual[line.substr(0, eq)] = line.substr(eq + 1);
  }
  EXPECT_EQ(actual, defaults);
  EXPECT_EQ(SaverSetting.EnabledEffects.count(), 105u);
  EXPECT_TRUE(SaverSetting.PictureList.empty());
}

TEST_F(LoadSettingsTest, ValuesThatAreNotIntegersGiveTheirDefaults) {
  WriteFile(ProgFolder() + "Show.002",
            "[Set]\r\nImageInterval=0x0A\r\nPlayMusic=yes\r\nLoopMusic=0\r\nEffectSpeed2=0x\r\n"
            "useeffects=1,2,3\r\nImageSize=258\r\n"
            "[Caption]\r\nPosition=7\r\nX=-5\r\n");
  Start();
  EXPECT_EQ(SaverSetting.ImageInterval, 10);
  EXPECT_TRUE(SaverSetting.PlayMusic);
  EXPECT_FALSE(SaverSetting.LoopMusic);
  EXPECT_EQ(SaverSetting.EffectSpeed2, 3);
  EXPECT_EQ(FormatEffectList(SaverSetting.EnabledEffects), "1,2");
  EXPECT_EQ(SaverSetting.ImageSize, 2);  // a byte keeps the low 8 bits
  EXPECT_EQ(SaverSetting.CaptionPosition, 0);
  EXPECT_EQ(SaverSetting.CaptionX, -5);
}

TEST_F(LoadSettingsTest, CaptionPositionIsCheckedBeforeItBecomesAByte) {
  WriteFile(ProgFolder() + "Show.002", "[caption]\nposition=261\n");
  Start();
  EXPECT_EQ(SaverSetting.CaptionPosition, 0) << "261 must not read as 5";
  WriteFile(ProgFolder() + "Show.002", "[caption]\nposition=5\n");
  Start();
  EXPECT_EQ(SaverSetting.CaptionPosition, 5);
}

TEST_F(LoadSettingsTest, AnEmptyEffectListEnablesNothing) {
  WriteFile(ProgFolder() + "Show.002", "[SET]\nUseEffects=\n");
  Start();
  EXPECT_TRUE(SaverSetting.EnabledEffects.none());
}

TEST_F(LoadSettingsTest, InstallFolderComesFromTheUserStoreThenTheUsualFolders) {
  std::filesystem::create_directories(dir_.Folder() + "Screensaver Pro");
  Start();
  EXPECT_EQ(InstallFolder, dir_.Folder() + "Screensaver Pro/");

  store_.SetDefault(std::string(kUserKeyRoot) + "VorelPro", "/opt/vorel");
  Start();
  EXPECT_EQ(InstallFolder, "/opt/vorel/");

  store_.SetDefault(std::string(kUserKeyRoot) + "Show", "/opt/show/");
  Start();
  EXPECT_EQ(InstallFolder, "/opt/show/");
  EXPECT_EQ(SaverSetting.Back_Image_Path, "/opt/show/background/");

  // A value that is not text counts as none.
  store_.SetBinary(std::string(kUserKeyRoot) + "Show", "", "xx");
  store_.SetDefault(std::string(kUserKeyRoot) + "VorelPro", "/o");
  Start();
  EXPECT_EQ(InstallFolder, "/o/");
}

TEST_F(LoadSettingsTest, TheLicenceTextComesFromTheInstallFolderWhenTheFileHasNone) {
  std::filesystem::create_directories(dir_.Folder() + "Screensaver");
  WriteFile(dir_.Folder() + "Screensaver/licensetext.txt", "Line one\r\nLine two");
  Start();
  EXPECT_EQ(SaverSetting.Build_LicenseText, "Line one\r\nLine two");
  WriteFile(ProgFolder() + "Show.002", "[Set]\nBuild_LicenseText=own\n");
  Start();
  EXPECT_EQ(SaverSetting.Build_LicenseText, "own");
}

TEST_F(LoadSettingsTest, SaverNameIsTheLongNameWithoutTheProgramsExtension) {
  UsePlainProgram("SHOWSA~1.SCR");
  shell_.displayNames[program_] = "Show Saver.scr";
  Start();
  EXPECT_EQ(SaverName, "Show Saver");
  EXPECT_EQ(SettingsFile, ProgFolder() + "Show Saver.002");

  // The shell may hide extensions; the name is kept whole then.
  shell_.displayNames[program_] = "Mr. Show";
  Start();
  EXPECT_EQ(SaverName, "Mr. Show");

  UsePlainProgram("a.scr.old.scr");
  Start();
  EXPECT_EQ(SaverName, "a.scr.old");

  UsePlainProgram("kestro-saver");
  Start();
  EXPECT_EQ(SaverName, "kestro-saver");
  EXPECT_EQ(SettingsFile, ProgFolder() + "kestro-saver.002");
}

class UserSettingsTest : public SettingsFixture {
 protected:
  void SetUp() override {
    SettingsFixture::SetUp();
    UsePayloadProgram("Show.scr",
                      "[Set]\r\nMouseMove=0\r\nMousePress=0\r\nShowCursor=0\r\nImageInterval=7\r\n"
                      "VideoSize=1\r\n");
  }
};

TEST_F(UserSettingsTest, ReadingStopsAtTheFirstMissingValue) {
  store_.SetDword(UserKey(), "MouseMoveExit", 1);
  store_.SetDword(UserKey(), "ShowCursor", 1);
  Start();
  EXPECT_TRUE(SaverSetting.MouseMove);
  EXPECT_FALSE(SaverSetting.MousePress) << "reading stopped at MousePressExit";
  EXPECT_FALSE(SaverSetting.ShowCursor) << "ShowCursor comes after the gap";
}

TEST_F(UserSettingsTest, AValueOfAnotherTypeEndsTheReadLikeAMissingOne) {
  for (const char* name : {"MouseMoveExit", "MousePressExit", "KeyboardPressExit", "ShowCursor",
                           "OnlyEscKeyExit", "BackgroundColor"}) {
    store_.SetDword(UserKey(), name, 1);
  }
  store_.SetString(UserKey(), "ImageInterval", "20");
  store_.SetDword(UserKey(), "ImageSize", 2);
  Start();
  EXPECT_TRUE(SaverSetting.ShowCursor);
  EXPECT_EQ(SaverSetting.BackgroundColor, 1);
  EXPECT_EQ(SaverSetting.ImageInterval, 7);
  EXPECT_EQ(SaverSetting.ImageSize, 0);
}

TEST_F(UserSettingsTest, AVideoSaverReadsTheVideoValuesInsteadOfTheImageOnes) {
  const char* all[] = {"MouseMoveExit", "MousePressExit", "KeyboardPressExit", "ShowCursor", "OnlyEscKeyExit",
                       "BackgroundColor", "ImageInterval", "ImageSize", "ImageSequence", "EffectSpeed2",
                       "PlayMusic", "CaptionForceHide", "VideoSequence", "VideoSize", "VideoMute",
                       "VideoDownloadTime", "VideoShowStatus"};
  for (const char* name : all) store_.SetDword(UserKey(), name, 2);
  // A program whose folder holds "video" is saver kind 2.
  UsePayloadProgram("Show.scr", "[Set]\r\nImageInterval=7\r\n", {}, dir_.Folder() + "My Videos/");
  for (const char* name : all) store_.SetDword(UserKey(), name, 2);
  Start(2);
  EXPECT_EQ(SaverSetting.ImageInterval, 7) << "a saved ImageInterval has no effect";
  EXPECT_EQ(SaverSetting.EffectSpeed2, 3);
  EXPECT_TRUE(SaverSetting.PlayMusic);
  EXPECT_EQ(SaverSetting.VideoSize, 2);
  EXPECT_EQ(SaverSetting.VideoDownloadTime, 2);
  EXPECT_TRUE(SaverSetting.MouseMove);
}

TEST_F(UserSettingsTest, WithoutAPayloadTheUserKeyIsNotRead) {
  UsePlainProgram("Show.scr");
  store_.SetDword(UserKey(), "MouseMoveExit", 1);
  Start();
  EXPECT_FALSE(SaverSetting.MouseMove);
}

TEST_F(UserSettingsTest, SavingWritesTheTwelveValuesInOrder) {
  Start();
  SaverSetting.ImageInterval = 42;
  SaverSetting.BackgroundColor = -1;
  WriteUserSettings();
  std::vector<std::string> names;
  for (const std::string& entry : store_.writeLog) {
    const std::size_t slash = entry.rfind('\\');
    names.push_back(entry.substr(slash + 1, entry.find('=') - slash - 1));
  }
  const std::vector<std::string> expected = {"MouseMoveExit", "MousePressExit", "KeyboardPressExit",
                                             "ShowCursor", "OnlyEscKeyExit", "BackgroundColor",
                                             "ImageInterval", "ImageSize", "ImageSequence",
                                             "EffectSpeed2", "PlayMusic", "CaptionForceHide"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(store_.Get(UserKey(), "ImageInterval")->dword, 42u);
  EXPECT_EQ(store_.Get(UserKey(), "BackgroundColor")->dword, 0xFFFFFFFFu);
  EXPECT_EQ(store_.Get(UserKey(), "PlayMusic")->dword, 1u);
}

TEST_F(UserSettingsTest, AFailedWriteRaisesAndKeepsTheValuesBeforeIt) {
  Start();
  store_.failWritesOf = {"IMAGEINTERVAL"};
  try {
    WriteUserSettings();
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("ImageInterval"), std::string::npos) << e.Message();
  }
  EXPECT_TRUE(store_.Get(UserKey(), "BackgroundColor").has_value());
  EXPECT_FALSE(store_.Get(UserKey(), "ImageSize").has_value());
}

TEST_F(UserSettingsTest, AKeyThatCannotBeCreatedIsSkippedSilently) {
  Start();
  store_.failCreate = true;
  EXPECT_NO_THROW(WriteUserSettings());
  EXPECT_TRUE(store_.writeLog.empty());
}

TEST_F(UserSettingsTest, SavedValuesComeBackAtTheNextStartAndOtherChangesDoNot) {
  Start();
  ASSERT_TRUE(PayloadFound);
  TSaverSetting& s = SaverSetting;
  s.MouseMove = true;
  s.MousePress = true;
  s.KeyboardPress = false;
  s.ShowCursor = true;
  s.OnlyEscKeyExit = true;
  s.BackgroundColor = 0x123456;
  s.ImageInterval = 99;
  s.ImageSize = 2;
  s.ImageSequence = 0;
  s.EffectSpeed2 = 5;
  s.PlayMusic = false;
  s.CaptionForceHide = true;
  s.ClearOldImage = true;  // saved only in the settings file inside TempRoot
  s.CaptionX = 77;
  WritePayloadSettings();
  WriteUserSettings();
  EXPECT_NE(ReadFile(SettingsFile).find("ClearOldImage=1"), std::string::npos);

  EndRun();
  Start();
  EXPECT_FALSE(SaverSetting.ClearOldImage);
  EXPECT_EQ(SaverSetting.CaptionX, 10);
  EXPECT_TRUE(SaverSetting.MouseMove);
  EXPECT_TRUE(SaverSetting.MousePress);
  EXPECT_FALSE(SaverSetting.KeyboardPress);
  EXPECT_TRUE(SaverSetting.ShowCursor);
  EXPECT_TRUE(SaverSetting.OnlyEscKeyExit);
  EXPECT_EQ(SaverSetting.BackgroundColor, 0x123456);
  EXPECT_EQ(SaverSetting.ImageInterval, 99);
  EXPECT_EQ(SaverSetting.ImageSize, 2);
  EXPECT_EQ(SaverSetting.ImageSequence, 0);
  EXPECT_EQ(SaverSetting.EffectSpeed2, 5);
  EXPECT_FALSE(SaverSetting.PlayMusic);
  EXPECT_TRUE(SaverSetting.CaptionForceHide);
}

class WritePayloadTest : public SettingsFixture {};

TEST_F(WritePayloadTest, ACaptionChoiceReadsBackTheSame) {
  Start();
  SaverSetting.CaptionPosition = 5;
  SaverSetting.CaptionX = 120;
  SaverSetting.CaptionY = -3;
  SaverSetting.CaptionFontName = "Arial Black";
  SaverSetting.CaptionFontSize = 14;
  SaverSetting.CaptionFontColor = 0x00FF8040;
  SaverSetting.CaptionFontItalic = true;
  SaverSetting.CaptionFontStrikeout = true;
  SaverSetting.CaptionForceHide = true;
  const std::string before = FormatSaverSetting(SaverSetting);
  WritePayloadSettings();
  SaverSetting = TSaverSetting{};
  Start();
  EXPECT_EQ(FormatSaverSetting(SaverSetting), before);
}

TEST_F(WritePayloadTest, OnlyTheListedKeysAreWrittenAndEverythingElseStaysByteForByte) {
  const std::string original =
      "; made by hand\r\n"
      "[Set]\r\n"
      "zipscr=1\r\n"
      "ImageInterval = 0x0A   \r\n"
      "useeffects=1,2,3,\r\n"
      "resell=1\r\n"
      "Author=Ann\r\n"
      "StetchImage=2\r\n"
      "\r\n"
      "[Pictures]\r\n"
      "a.jpg=1\r\n"
      "[Unknown Section]\r\n"
      "weird line without equals\n"
      "key=value\r";
  WriteFile(ProgFolder() + "Show.002", original);
  Start();
  SaverSetting.EnabledEffects.reset();
  SaverSetting.resell = false;
  SaverSetting.Author = "Bob";
  SaverSetting.PictureList.push_back("b.jpg");
  WritePayloadSettings();
  const std::string text = ReadFile(ProgFolder() + "Show.002");
  // Everything up to the end of the original [Set] keys is unchanged except
  // the one written key that was present.
  std::string expectedStart = original.substr(0, original.find("StetchImage=2\r\n") + 15);
  expectedStart.replace(expectedStart.find("0x0A"), 4, "10");
  EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_NE(text.find("\r\n[Pictures]\r\na.jpg=1\r\n[Unknown Section]\r\nweird line without equals\nkey=value\r"),
            std::string::npos);

  TMemIniFile ini;
  ini.LoadFromText(text);
  EXPECT_EQ(ini.ReadSection("Set").size(), 73u + 5u);  // the written keys and the five unknown ones
  EXPECT_EQ(ini.ReadSection("Caption").size(), 11u);
  TMemIniFile before;
  before.LoadFromText(original);
  for (const char* kept : {"useeffects", "resell", "Author", "Website", "ScrEmail", "Build_BannerImage",
                           "Build_UseStaticPreview", "Build_StaticImage", "Build_LicenseText",
                           "Build_ShowInstallLicense", "Build_UseBanner", "Build_HideTitle",
                           "Build_BannerTips", "Build_BannerURL"}) {
    EXPECT_EQ(ini.Find("Set", kept), before.Find("Set", kept)) << kept;
  }
  EXPECT_EQ(ini.ReadSection("Pictures"), std::vector<std::string>{"a.jpg"});
}

TEST_F(WritePayloadTest, AnUnchangedRecordLeavesTheFileAsItWas) {
  Start();
  WritePayloadSettings();
  const std::string first = ReadFile(ProgFolder() + "Show.002");
  ASSERT_FALSE(first.empty());
  std::string edited = "[Extra]\nnote=kept\n" + first;
  WriteFile(ProgFolder() + "Show.002", edited);
  Start();
  WritePayloadSettings();
  EXPECT_EQ(ReadFile(ProgFolder() + "Show.002"), edited);
}

TEST_F(WritePayloadTest, ErrorsAreSwallowed) {
  Start();
  SettingsFile = dir_.Folder() + "no such folder/Show.002";
  PayloadSettings().SetFileName(SettingsFile);
  EXPECT_NO_THROW(WritePayloadSettings());
  EXPECT_FALSE(std::filesystem::exists(SettingsFile));
}

TEST(SettingReportTest, PrintsOneFieldALineInRecordOrder) {
  TSaverSetting record;
  record.PictureList = {"a.jpg", "(URL) http://x/y"};
  record.EnabledEffects = ParseEffectList("7,3,");
  record.ScrName = "Two\r\nlines";
  const std::string text = FormatSaverSetting(record);
  EXPECT_TRUE(text.starts_with("PictureList\n  a.jpg\n  (URL) http://x/y\nImageSize=0\n")) << text;
  EXPECT_NE(text.find("\nAllowReverseTransition=0\n"), std::string::npos);
  EXPECT_NE(text.find("\nPlayMusic=1\n"), std::string::npos);
  EXPECT_NE(text.find("\nEnabledEffects=3,7\n"), std::string::npos);
  EXPECT_NE(text.find("\nMusicList\nPlayMusic"), std::string::npos);
  EXPECT_NE(text.find("\nScrName=Two\\nlines\n"), std::string::npos);
  EXPECT_NE(text.find("\nCaptionFontColor=16777215\n"), std::string::npos);
  EXPECT_TRUE(text.ends_with("\nInstallPassword=\n"));
}

}  // namespace
}  // namespace kestro
