#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "builder_fixture.h"
#include "common/ansi.h"
#include "platform/api/files.h"
#include "zip_writer.h"

namespace kestro::builder {
namespace {

using testing::ReadFile;

TEST_F(BuilderTest, RoundTripThroughTheRuntimesOwnReadingCode) {
  const BuildResult built = MakeScreensaver(FullOptions());
  const std::string saver = ReadFile(dir_.File("out.scr"));
  ASSERT_EQ(saver.size(), built.fileSize);
  EXPECT_EQ(saver.compare(0, runtimeBytes_.size(), runtimeBytes_), 0) << "the runtime's bytes come first";

  LocatePayloadIn(dir_.File("out.scr"));
  ASSERT_TRUE(PayloadFound);
  EXPECT_FALSE(RunAsExe);
  EXPECT_EQ(SettingsFile, TempRoot + "My Show.002");
  ASSERT_TRUE(std::filesystem::exists(SettingsFile));
  EXPECT_EQ(ReadFile(SettingsFile), built.settingsText);
  PayloadSettings() = TMemIniFile(SettingsFile);
  const TMemIniFile& ini = PayloadSettings();

  // The settings file to start from is kept, the --set values are in, and
  // every item is listed and located.
  EXPECT_EQ(built.settingsText.rfind("; kept as it is\r\n[Set]\r\n", 0), 0u);
  EXPECT_NE(built.settingsText.find("\r\n[Caption]\r\nText=hello\r\n"), std::string::npos);
  EXPECT_EQ(ini.ReadInteger("Set", "ImageInterval", 0), 8);
  EXPECT_EQ(ini.ReadString("Caption", "Font.Name", ""), "Arial=Bold");
  EXPECT_EQ(ini.ReadSection("Pictures"), (std::vector<std::string>{"a.jpg", "b**c.jpg"}));
  EXPECT_EQ(ini.ReadSection("Music"), (std::vector<std::string>{"song.mp3"}));
  EXPECT_EQ(ini.ReadSection("notzip"), (std::vector<std::string>{"song.mp3"}));
  EXPECT_FALSE(ini.ValueExists("Pictures", "MPEGDLL.DLL"));

  ASSERT_EQ(built.items.size(), 4u);
  std::uint64_t expectedStart = runtimeBytes_.size();
  for (const BuiltItem& item : built.items) {
    EXPECT_EQ(ini.ReadInteger("zippos", item.key + "_1", 0), static_cast<std::int32_t>(item.start)) << item.key;
    EXPECT_EQ(ini.ReadInteger("zippos", item.key + "_2", 0), static_cast<std::int32_t>(item.end)) << item.key;
    EXPECT_EQ(item.start, expectedStart) << "items lie back to back";
    expectedStart = item.end;
    if (!item.asIs) {
      EXPECT_EQ(saver.compare(item.start, 4, "PK\x03\x04"), 0) << item.key;
    }
  }
  EXPECT_EQ(built.markerOffset, expectedStart);
  EXPECT_EQ(saver.compare(built.markerOffset, 8, PayloadMarker()), 0);

  // The as-is item is the file itself, and extracts byte for byte.
  const BuiltItem& music = built.items[2];
  EXPECT_EQ(saver.substr(music.start, music.end - music.start), ReadFile(music_));
  std::string path = "song.mp3";
  ASSERT_TRUE(FetchPayloadFile("song.mp3", path));
  EXPECT_EQ(path, TempRoot + "song.mp3");
  EXPECT_EQ(ReadFile(path), ReadFile(music_));

  // Zipped items unzip to the originals, the "=" name through its "**" key.
  path = "a.jpg";
  ASSERT_TRUE(FetchPayloadFile("a.jpg", path));
  EXPECT_EQ(ReadFile(path), ReadFile(picture_));
  path = "b=c.jpg";
  ASSERT_TRUE(FetchPayloadFile("b**c.jpg", path));
  EXPECT_EQ(path, TempRoot + "b=c.jpg");
  EXPECT_EQ(ReadFile(path), ReadFile(equals_));
  ExtractPayloadItem("MPEGDLL.DLL", TempRoot + "MPEGDLL.DLL", "");
  EXPECT_EQ(ReadFile(TempRoot + "MPEGDLL.DLL"), ReadFile(library_));
}

TEST_F(BuilderTest, TheSameInputsGiveTheSameBytes) {
  MakeScreensaver(FullOptions("one.scr"));
  MakeScreensaver(FullOptions("two.scr"));
  const std::string one = ReadFile(dir_.File("one.scr"));
  EXPECT_FALSE(one.empty());
  EXPECT_EQ(one, ReadFile(dir_.File("two.scr")));
}

TEST_F(BuilderTest, WithoutASettingsFileTheToolWritesItsOwnSections) {
  BuildOptions o = Minimal();
  o.items.push_back({ItemKind::kFile, equals_});
  const BuildResult built = MakeScreensaver(o);
  EXPECT_EQ(built.settingsName, "T.002");
  TMemIniFile ini;
  ini.LoadFromText(built.settingsText);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Pictures", "zippos"}));
  EXPECT_EQ(ini.ReadInteger("zippos", "b**c.jpg_2", 0), static_cast<std::int32_t>(built.markerOffset));
}

TEST_F(BuilderTest, StaleOffsetsAndStorageFromTheSettingsFileAreOverruled) {
  BuildOptions o = Minimal();
  o.settings = Input("old.ini", "[zippos]\nold.jpg_1=300000\nold.jpg_2=300100\nA.JPG_1=7\n[notzip]\na.jpg=1\n");
  const BuildResult built = MakeScreensaver(o);
  TMemIniFile ini;
  ini.LoadFromText(built.settingsText);
  // Offsets of an item this build does not have would point at other bytes.
  EXPECT_EQ(ini.ReadInteger("zippos", "old.jpg_1", -1), 0);
  EXPECT_EQ(ini.ReadInteger("zippos", "old.jpg_2", -1), 0);
  EXPECT_EQ(built.warnings.size(), 2u);
  // a.jpg is zipped in this build whatever the settings file said.
  EXPECT_EQ(ini.ReadInteger("zippos", "a.jpg_1", 0), static_cast<std::int32_t>(runtimeBytes_.size()));
  EXPECT_FALSE(ini.ReadBool("notzip", "a.jpg", true));
}

TEST_F(BuilderTest, AMarkerOutsideTheWindowDoesNotMatter) {
  // The marker at the start of a large first item lies more than 150,000
  // bytes before the end: the runtime never sees it.
  BuildOptions o = Minimal();
  o.items = {{ItemKind::kFile, Input("early.bin", PayloadMarker() + testing::RandomBytes(200000, 3))},
             {ItemKind::kFile, Input("late.bin", testing::RandomBytes(10000, 4))}};
  o.storeAsIs = {"early.bin", "late.bin"};
  EXPECT_NO_THROW(MakeScreensaver(o));
}

TEST_F(BuilderTest, ItemDatesComeFromTheInputClampedToTheZipRange) {
  namespace fs = std::filesystem;
  auto setTime = [](const std::string& path, int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    const auto when = std::chrono::system_clock::from_time_t(std::mktime(&t));
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when));
  };
  setTime(picture_, 2001, 2, 3, 4, 5, 7);
  EXPECT_EQ(InputDosDateTime(picture_), ToDosDateTime(2001, 2, 3, 4, 5, 6));
  setTime(picture_, 1975, 6, 1, 12, 0, 0);
  EXPECT_EQ(InputDosDateTime(picture_), kDosEpoch);
  setTime(picture_, 2150, 6, 1, 12, 0, 0);
  EXPECT_EQ(InputDosDateTime(picture_), ToDosDateTime(2107, 12, 31, 23, 59, 58));
  EXPECT_EQ(ToDosDateTime(2107, 12, 31, 23, 59, 58), 0xFF9FBF7Du);
  EXPECT_EQ(ToDosDateTime(1979, 12, 31, 23, 59, 59), kDosEpoch);
  EXPECT_EQ(kDosEpoch, 0x00210000u);
}

// Every refusal leaves no output file behind.
class RefusalTest : public BuilderTest {
 protected:
  void ExpectRefused(const BuildOptions& o, const std::string& why) {
    try {
      MakeScreensaver(o);
      ADD_FAILURE() << "built although: " << why;
    } catch (const EBuildError& e) {
      EXPECT_NE(e.Message().find(why), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(std::filesystem::exists(o.out)) << why;
  }
  void ExpectItemRefused(const std::string& name, const std::string& why) {
    BuildOptions o = Minimal();
    o.items.push_back({ItemKind::kPicture, Input(name, "x")});
    ExpectRefused(o, why);
  }
};

TEST_F(RefusalTest, MissingOrUnreadableInputs) {
  BuildOptions o = Minimal();
  o.runtime = dir_.File("nothing.exe");
  ExpectRefused(o, "nothing.exe");
  o = Minimal();
  o.items.push_back({ItemKind::kMusic, dir_.File("in/missing.mp3")});
  ExpectRefused(o, "missing.mp3");
  o = Minimal();
  o.items.push_back({ItemKind::kFile, (dir_.path() / "in").string() + "/"});
  ExpectRefused(o, "not a plain file name");  // a folder has no file name
  o = Minimal();
  std::filesystem::create_directories(dir_.path() / "in" / "folder.jpg");
  o.items.push_back({ItemKind::kPicture, dir_.File("in/folder.jpg")});
  ExpectRefused(o, "folder.jpg");
  o = Minimal();
  o.settings = dir_.File("in/missing.ini");
  ExpectRefused(o, "missing.ini");
  o = Minimal();
  testing::WriteFile(runtime_, "");
  ExpectRefused(o, "is empty");
}

TEST_F(RefusalTest, TitlesTheRuntimeCannotUseAsAFileName) {
  for (const std::string title : {"", ".", "..", "a**b", "a/b", "a\\b", "c:x", "tab\there", "a?b", " lead", "con"}) {
    BuildOptions o = Minimal();
    o.title = title;
    ExpectRefused(o, "itle");
  }
  BuildOptions o = Minimal();
  o.title = "a*";  // "a*.002": a lone star is no "**", but Windows has no such file
  ExpectRefused(o, "Windows");
}

TEST_F(RefusalTest, ItemNamesTheRuntimeCannotReadBack) {
  ExpectItemRefused("x**y.jpg", "\"**\"");
  ExpectItemRefused("back\\slash.jpg", "not a plain file name");
  ExpectItemRefused("c:drive.jpg", "not a plain file name");
  ExpectItemRefused("bell\x07.jpg", "not a plain file name");
  ExpectItemRefused("what?.jpg", "Windows");
  ExpectItemRefused("trailing.jpg ", "blank");
  ExpectItemRefused(";comment.jpg", "comment");
  ExpectItemRefused("NUL.jpg", "device name");
  ExpectItemRefused("(URL) a.jpg", "source marker");
  ExpectItemRefused("(Resource) splash.jpg", "source marker");
}

TEST_F(RefusalTest, NamesThatMeetInTheExtractionFolder) {
  BuildOptions o = Minimal();
  std::filesystem::create_directories(dir_.path() / "other");
  const std::string upper = dir_.File("other/A.JPG");
  testing::WriteFile(upper, "other");
  o.items.push_back({ItemKind::kMusic, upper});
  ExpectRefused(o, "same name");

  o = Minimal();
  o.items.push_back({ItemKind::kFile, Input("t.002", "clash")});
  ExpectRefused(o, "settings file");

  o = Minimal();
  o.items.push_back({ItemKind::kFile, Input("a.jpg~", "clash")});
  ExpectRefused(o, "raw copy");
}

TEST_F(RefusalTest, StoreAsIsMustNameAnItemThatIsNotEmpty) {
  BuildOptions o = Minimal();
  o.storeAsIs = {"b.jpg"};
  ExpectRefused(o, "names no item");
  o = Minimal();
  o.items.push_back({ItemKind::kFile, Input("empty.txt", "")});
  o.storeAsIs = {"EMPTY.TXT"};
  ExpectRefused(o, "empty");
  o.storeAsIs.clear();  // zipped, an empty file is an archive with one empty entry
  EXPECT_NO_THROW(MakeScreensaver(o));
}

TEST_F(RefusalTest, OffsetsBeyondTheLimit) {
  BuildOptions o = Minimal();
  o.items = {{ItemKind::kMusic, music_}};
  o.storeAsIs = {"song.mp3"};
  const std::uint64_t end = runtimeBytes_.size() + ReadFile(music_).size();
  o.offsetLimit = end - 1;
  ExpectRefused(o, "beyond");
  o.offsetLimit = end;
  EXPECT_NO_THROW(MakeScreensaver(o));
  EXPECT_EQ(kMaxItemOffset, 2147483647u);
}

TEST_F(RefusalTest, ASettingsArchiveLargerThanTheWindow) {
  BuildOptions o = Minimal();
  std::string text = "[Caption]\r\nText=";
  for (char c : testing::RandomBytes(200000, 9)) text.push_back(static_cast<char>('!' + static_cast<unsigned char>(c) % 90));
  o.settings = Input("huge.ini", text + "\r\n");
  ExpectRefused(o, "150000");
}

TEST_F(RefusalTest, AFalseMarkerInTheWindow) {
  // In an as-is item near the end.
  BuildOptions o = Minimal();
  o.items.push_back({ItemKind::kFile, Input("marked.bin", "abc" + PayloadMarker() + "def")});
  o.storeAsIs = {"marked.bin"};
  ExpectRefused(o, "marked.bin");
  // Half of it at the end of an item, the real marker completing it.
  o.items.back().path = Input("half.bin", "abc" + PayloadMarker().substr(0, 7));
  o.storeAsIs = {"half.bin"};
  ExpectRefused(o, "payload marker");
  // In the tail of a small runtime.
  o = Minimal();
  testing::WriteFile(runtime_, testing::RandomBytes(1000, 5) + PayloadMarker() + "rest");
  ExpectRefused(o, "runtime");
}

TEST_F(RefusalTest, TheOutputMustNotBeAnInput) {
  BuildOptions o = Minimal();
  o.out = runtime_;
  try {
    MakeScreensaver(o);
    ADD_FAILURE();
  } catch (const EBuildError& e) {
    EXPECT_NE(e.Message().find("one of the inputs"), std::string::npos);
  }
  EXPECT_EQ(ReadFile(runtime_), runtimeBytes_);
}

TEST(SettingAssignmentTest, SectionBeforeTheFirstDotKeyUpToTheFirstEquals) {
  const SettingAssignment a = ParseSetting("Set.a.b=c=d");
  EXPECT_EQ(a.section, "Set");
  EXPECT_EQ(a.key, "a.b");
  EXPECT_EQ(a.value, "c=d");
  EXPECT_EQ(ParseSetting("Caption.Text=").value, "");
  for (const char* bad : {"NoDot=1", "Set.NoEquals", ".Key=1", "Set.=1", "Se]t.Key=1", "Set.;Key=1"}) {
    EXPECT_THROW(ParseSetting(bad), EUsageError) << bad;
  }
}

}  // namespace
}  // namespace kestro::builder

namespace kestro {
namespace {

TEST(PayloadLayoutTest, ReadsTheWindowAsTheRuntimeDoes) {
  const std::string m = PayloadMarker();
  auto layout = FindPayloadLayout("image" + m + "T.002**PKdata", 1000);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->markerOffset, 1005u);
  EXPECT_TRUE(layout->hasSettings);
  EXPECT_EQ(layout->settingsName, "T.002");
  EXPECT_EQ(layout->archiveOffset, 1000u + 5 + 8 + 7);
  EXPECT_EQ(layout->archiveSize, 6u);
  // The first marker counts, even with the real one after it.
  EXPECT_EQ(FindPayloadLayout(m + "x" + m + "T.002**PK", 0)->settingsName, "x" + m + "T.002");
  // A marker without a usable name or archive is a payload without settings.
  for (const std::string& window : {m, m + "T.002", m + "T.002**", m + "**PK", m + "a\\b**PK", m + "..**PK"}) {
    layout = FindPayloadLayout(window, 0);
    ASSERT_TRUE(layout) << window;
    EXPECT_FALSE(layout->hasSettings) << window;
  }
  EXPECT_FALSE(FindPayloadLayout("#kestro", 0));
  EXPECT_FALSE(FindPayloadLayout("", 0));
}

}  // namespace
}  // namespace kestro
