#include "settings/sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "settings_fixture.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::SettingsFixture;
using testing::TestItem;
using testing::WriteFile;

TEST(StripPrefixTest, ReplacesTheTextOnlyWhenAsked) {
  std::string text = "(URL) a.jpg";
  EXPECT_EQ(StripPrefix(text, "(URL) ", false), "a.jpg");
  EXPECT_EQ(text, "(URL) a.jpg");
  EXPECT_EQ(StripPrefix(text, "(url) ", true), "(URL) a.jpg");
  EXPECT_EQ(text, "(URL) a.jpg");
  EXPECT_EQ(StripPrefix(text, "(URL) ", true), "a.jpg");
  EXPECT_EQ(text, "a.jpg");
}

class SourcesTest : public SettingsFixture {};

TEST_F(SourcesTest, ListsHoldTheEnabledEntriesInFileOrder) {
  UsePayloadProgram("Show.scr",
                    "[Pictures]\r\nc.jpg=1\r\noff.jpg=0\r\nyes.jpg=yes\r\nnovalue.jpg=\r\n(URL) http://x/a.jpg=1\r\n"
                    "[Music]\r\nsong.mp3=1\r\n[Web]\r\nhttp://w/=1\r\n");
  Start();
  EXPECT_EQ(SaverSetting.PictureList,
            (TSourceList{"c.jpg", "yes.jpg", "novalue.jpg", "(URL) http://x/a.jpg"}));
  EXPECT_EQ(SaverSetting.MusicList, TSourceList{"song.mp3"});
  EXPECT_EQ(SaverSetting.WebList, TSourceList{"http://w/"});
  EXPECT_TRUE(SaverSetting.FlashList.empty());
}

TEST_F(SourcesTest, AResourceEntryIsExtractedAtStartUpAndNeverListed) {
  UsePayloadProgram("Show.scr", "[Pictures]\r\n(Resource) logo.png=1\r\na.jpg=1\r\n(External) ex**t.txt=1\r\n",
                    {{"logo.png", "logo.png", "PNGDATA"}, {"ex**t.txt", "ex=t.txt", "TEXT", true}});
  Start();
  EXPECT_EQ(SaverSetting.PictureList, TSourceList{"a.jpg"});
  EXPECT_EQ(ReadFile(KestroFolder() + "logo.png"), "PNGDATA");
  EXPECT_EQ(ReadFile(KestroFolder() + "ex=t.txt"), "TEXT");
}

TEST_F(SourcesTest, ResourceNamesThatLeaveTempRootAreNotExtracted) {
  const std::string hostile =
      "[Pictures]\r\n(Resource) ../up.jpg=1\r\n(Resource) sub\\in.jpg=1\r\n(External) C:\\x\\abs.jpg=1\r\n"
      "(Resource) /tmp/abs2.jpg=1\r\n(Resource) ..=1\r\n(Resource) ctl\x01.jpg=1\r\n(Resource) LPT1.png=1\r\n";
  UsePayloadProgram("Show.scr", hostile,
                    {{"../up.jpg", "up.jpg", "U"}, {"sub\\in.jpg", "in.jpg", "I"},
                     {"C:\\x\\abs.jpg", "abs.jpg", "A", true}, {"/tmp/abs2.jpg", "abs2.jpg", "B", true},
                     {"..", "dots", "D", true}, {"ctl\x01.jpg", "ctl.jpg", "C", true},
                     {"LPT1.png", "LPT1.png", "L", true}});
  EXPECT_NO_THROW(Start());
  EXPECT_TRUE(SaverSetting.PictureList.empty());
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.find("up") == std::string::npos && name.find("abs") == std::string::npos &&
                name.find("in.jpg") == std::string::npos && name.find("ctl") == std::string::npos &&
                name.find("LPT1") == std::string::npos)
        << entry.path();
  }
  EXPECT_FALSE(fs::exists("/tmp/abs2.jpg~"));
}

TEST_F(SourcesTest, AnEntryWithStarsIsThePayloadItemWithAnEqualsSign) {
  UsePayloadProgram("Show.scr", "[Pictures]\r\na**b.jpg=1\r\n", {{"a**b.jpg", "a=b.jpg", "AB"}});
  Start();
  std::string entry = SaverSetting.PictureList.at(0);
  EXPECT_EQ(entry, "a**b.jpg");
  ASSERT_TRUE(ResolveSource(entry));
  EXPECT_EQ(entry, KestroFolder() + "a=b.jpg");
  EXPECT_EQ(ReadFile(entry), "AB");
  // A second resolution finds the file without extracting again.
  fs::remove(entry + "~");
  std::string again = "a**b.jpg";
  EXPECT_TRUE(ResolveSource(again));
  EXPECT_FALSE(fs::exists(KestroFolder() + "a=b.jpg~"));
}

TEST_F(SourcesTest, PayloadEntriesAreFoundByTheirFileName) {
  UsePayloadProgram("Show.scr", "", {{"p.jpg", "p.jpg", "P"}, {"q.jpg", "q.jpg", "Q", true}});
  Start();
  std::string withFolder = "C:\\My Pictures\\p.jpg";
  EXPECT_TRUE(ResolveSource(withFolder));
  EXPECT_EQ(withFolder, KestroFolder() + "p.jpg");
  std::string file = "(File) D:\\q.jpg";
  EXPECT_TRUE(ResolveSource(file));
  EXPECT_EQ(ReadFile(file), "Q");
  std::string missing = "r.jpg";
  EXPECT_FALSE(ResolveSource(missing));
  std::string empty;
  EXPECT_FALSE(ResolveSource(empty));
}

TEST_F(SourcesTest, WebAddressesAreTakenWithoutACheck) {
  Start();
  std::string marked = "(URL) http://example.invalid/a**b.jpg";
  EXPECT_TRUE(ResolveSource(marked));
  EXPECT_EQ(marked, "http://example.invalid/a=b.jpg");
  std::string plain = "ftp://host/x\\y";
  EXPECT_TRUE(ResolveSource(plain));
  EXPECT_EQ(plain, "ftp://host/x\\y");
  std::string favorite = "(Favorites) http://x/";
  EXPECT_TRUE(ResolveSource(favorite));
  EXPECT_EQ(favorite, "(Favorites) http://x/");
}

TEST_F(SourcesTest, FoldersAndMarkedLocalFiles) {
  Start();
  fs::create_directories(dir_.Folder() + "pics");
  WriteFile(dir_.Folder() + "pics/one.jpg", "1");
  std::string folder = "(Favorites) " + dir_.Folder() + "pics/";
  EXPECT_TRUE(ResolveSource(folder));
  EXPECT_EQ(folder, dir_.Folder() + "pics/");
  std::string windowsFolder = dir_.Folder() + "pics\\";
  EXPECT_TRUE(ResolveSource(windowsFolder));
  std::string gone = "(Favorites) " + dir_.Folder() + "nothing/";
  EXPECT_FALSE(ResolveSource(gone));
  std::string url = "(URL) " + dir_.Folder() + "pics\\one.jpg";
  EXPECT_TRUE(ResolveSource(url));
  EXPECT_EQ(url, dir_.Folder() + "pics/one.jpg");
  std::string file = "(File) " + dir_.Folder() + "pics/one.jpg";
  EXPECT_TRUE(ResolveSource(file));
  std::string lower = "(url) " + dir_.Folder() + "pics/one.jpg";
  EXPECT_FALSE(ResolveSource(lower)) << "markers are case-sensitive";
  // A device name is never a picture, wherever the path points.
  WriteFile(dir_.Folder() + "pics/COM1.jpg", "c");
  std::string device = "(File) " + dir_.Folder() + "pics/COM1.jpg";
  EXPECT_FALSE(ResolveSource(device));
  std::string plainDevice = dir_.Folder() + "pics/com1.jpg";
  EXPECT_FALSE(ResolveSource(plainDevice));
}

TEST_F(SourcesTest, WithoutAPayloadTheSampleFolderComesFirstThenTheInstallFolders) {
  Start();
  const std::string inst = dir_.Folder() + "Screensaver/";
  const std::vector<std::string> places = {ProgFolder() + "sample/p1.jpg", inst + "p1.jpg",
                                           inst + "sample/p1.jpg", ProgFolder() + "p1.jpg"};
  for (const std::string& place : places) {
    fs::create_directories(fs::path(place).parent_path());
    WriteFile(place, place);
  }
  for (const std::string& place : places) {
    std::string entry = "p1.jpg";
    EXPECT_TRUE(ResolveSource(entry));
    EXPECT_EQ(entry, place);
    fs::remove(place);
  }
  std::string entry = "p1.jpg";
  EXPECT_FALSE(ResolveSource(entry));
  EXPECT_EQ(entry, ProgFolder() + "sample/p1.jpg");
}

TEST_F(SourcesTest, WithoutAPayloadAPathIsTriedAsItIsThenByItsFileName) {
  Start();
  WriteFile(ProgFolder() + "p2.jpg", "2");
  std::string drive = "C:\\Pictures\\p2.jpg";
  EXPECT_TRUE(ResolveSource(drive));
  EXPECT_EQ(drive, ProgFolder() + "p2.jpg");
  WriteFile(dir_.Folder() + "own.jpg", "o");
  std::string absolute = dir_.Folder() + "own.jpg";
  EXPECT_TRUE(ResolveSource(absolute));
  EXPECT_EQ(absolute, dir_.Folder() + "own.jpg");
  // A relative Windows path hangs off the sample folder.
  fs::create_directories(ProgFolder() + "sample/sub");
  WriteFile(ProgFolder() + "sample/sub/p3.jpg", "3");
  std::string relative = "sub\\p3.jpg";
  EXPECT_TRUE(ResolveSource(relative));
  EXPECT_EQ(relative, ProgFolder() + "sample/sub/p3.jpg");
}

TEST_F(SourcesTest, ASingleSettingNamingAResourceResolvesToTheExtractedFile) {
  UsePayloadProgram("Show.scr", "[Set]\r\nSplashImage=(Resource) splash.jpg\r\n",
                    {{"splash.jpg", "splash.jpg", "S"}});
  Start();
  std::string splash = SaverSetting.SplashImage;
  ASSERT_TRUE(ResolveSource(splash));
  EXPECT_EQ(splash, KestroFolder() + "splash.jpg");
  EXPECT_EQ(ReadFile(splash), "S");
  std::string outside = "(Resource) ../splash.jpg";
  EXPECT_FALSE(ResolveSource(outside));

  // Without a payload the name is searched for like any other entry.
  EndRun();
  UsePlainProgram("Show.scr");
  Start();
  fs::create_directories(ProgFolder() + "sample");
  WriteFile(ProgFolder() + "sample/splash.jpg", "s");
  std::string plain = "(Resource) splash.jpg";
  EXPECT_TRUE(ResolveSource(plain));
  EXPECT_EQ(plain, ProgFolder() + "sample/splash.jpg");
}

TEST_F(SourcesTest, IntelligentRandomShufflesTheListOnceAtLoad) {
  std::string settings = "[Set]\r\nImageSequence=2\r\nFlashSequence=1\r\n[Pictures]\r\n";
  std::string flash = "[Flash]\r\n";
  TSourceList inOrder;
  for (int i = 0; i < 60; ++i) {
    inOrder.push_back("p" + std::to_string(i) + ".jpg");
    settings += inOrder.back() + "=1\r\n";
    flash += "f" + std::to_string(i) + ".swf=1\r\n";
  }
  UsePayloadProgram("Show.scr", settings + flash);
  Start();
  TSourceList shuffled = SaverSetting.PictureList;
  EXPECT_NE(shuffled, inOrder);
  std::sort(shuffled.begin(), shuffled.end());
  TSourceList sorted = inOrder;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(shuffled, sorted);
  EXPECT_EQ(SaverSetting.FlashList.front(), "f0.swf");
  EXPECT_EQ(SaverSetting.FlashList.back(), "f59.swf");
}

TEST(ShuffleListTest, ALargeListBecomesAPermutationOfItself) {
  TSourceList list;
  for (int i = 0; i < 100000; ++i) list.push_back(std::to_string(i));
  TSourceList shuffled = list;
  ShuffleList(shuffled);
  EXPECT_NE(shuffled, list);
  std::sort(shuffled.begin(), shuffled.end());
  std::sort(list.begin(), list.end());
  EXPECT_EQ(shuffled, list);
  TSourceList none;
  ShuffleList(none);
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace kestro
