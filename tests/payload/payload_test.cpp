#include "payload/payload.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "payload/zip_builder.h"
#include "platform/headless/headless_system.h"
#include "payload/payload_settings.h"
#include "support/temp_dir.h"

namespace kestro {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

// Assembles a screensaver file: runtime bytes, items, marker, name, "**",
// settings archive. Item offsets are filled into the settings text.
class SaverFile {
 public:
  explicit SaverFile(std::size_t runtimeSize = 160000) : bytes_(testing::RandomBytes(runtimeSize, 9)) {}

  // Adds an item: zipped (one entry named `entryName`) or as-is.
  void AddItem(const std::string& key, const std::string& content, bool asIs,
               const std::string& entryName = std::string()) {
    const std::string bytes =
        asIs ? content : testzip::Build({{entryName.empty() ? key : entryName, content}});
    const std::size_t start = bytes_.size();
    bytes_ += bytes;
    zippos_ += key + "_1=" + std::to_string(start) + "\r\n" + key + "_2=" +
               std::to_string(bytes_.size()) + "\r\n";
    if (asIs) notzip_ += key + "=1\r\n";
  }
  void AddRaw(const std::string& bytes) { bytes_ += bytes; }
  void AddSettingsLines(const std::string& lines) { extra_ += lines; }

  std::string Finish(const std::string& name = "Show.002") const {
    std::string settings = "[Set]\r\nImageInterval=5\r\n" + extra_ + "[zippos]\r\n" + zippos_ +
                           "[notzip]\r\n" + notzip_;
    return bytes_ + PayloadMarker() + name + "**" + testzip::Build({{name, settings}});
  }

 private:
  std::string bytes_;
  std::string zippos_;
  std::string notzip_;
  std::string extra_;
};

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.tempFolder = dir_.Folder();
    sys_.systemFolder = dir_.Folder() + "system/";
    platform::InstallSystem(&sys_);
    PayloadModuleStartup();
  }
  void TearDown() override {
    ResetPayload();
    PayloadSettings() = TMemIniFile();
    platform::InstallSystem(nullptr);
  }
  // Writes the program file, locates the payload and opens its settings.
  void Locate(const std::string& bytes, const std::string& fileName = "show.scr") {
    program_ = dir_.File(fileName);
    WriteFile(program_, bytes);
    LocatePayloadIn(program_);
    if (!SettingsFile.empty()) PayloadSettings() = TMemIniFile(SettingsFile);
  }
  bool InTemp(const std::string& name) const { return fs::exists(TempRoot + name); }

  testing::TempDir dir_;
  platform::HeadlessSystem sys_;
  std::string program_;
};

TEST_F(PayloadTest, StartupMakesTheFoldersOfTheRun) {
  EXPECT_EQ(TempRoot, dir_.Folder() + "Kestro/");
  EXPECT_TRUE(fs::is_directory(TempRoot + "tmp"));
  EXPECT_EQ(SystemFolder, dir_.Folder() + "system/");
}

TEST_F(PayloadTest, NoMarkerInTheWindowMeansNoPayload) {
  // A marker further than 150,000 bytes from the end is not looked for.
  Locate(PayloadMarker() + testing::RandomBytes(kPayloadWindow, 3));
  EXPECT_FALSE(PayloadFound);
  EXPECT_EQ(PayloadStream(), nullptr);
  EXPECT_TRUE(SettingsFile.empty());
}

TEST_F(PayloadTest, FindsTheSettingsFileAndUnpacksIt) {
  SaverFile saver;
  Locate(saver.Finish());
  ASSERT_TRUE(PayloadFound);
  EXPECT_NE(PayloadStream(), nullptr);
  EXPECT_FALSE(RunAsExe);
  EXPECT_EQ(SettingsFile, TempRoot + "Show.002");
  EXPECT_TRUE(InTemp("Show.002~"));
  EXPECT_EQ(PayloadSettings().ReadInteger("Set", "ImageInterval", 0), 5);
}

TEST_F(PayloadTest, TheFirstOfTwoMarkersCounts) {
  SaverFile saver;
  saver.AddRaw(PayloadMarker() + "First.002**" + testzip::Build({{"First.002", "[Set]\r\n"}}));
  Locate(saver.Finish("Second.002"));
  ASSERT_TRUE(PayloadFound);
  EXPECT_EQ(SettingsFile, TempRoot + "First.002");
}

TEST_F(PayloadTest, AProgramFileShorterThanTheWindowIsSearchedWhole) {
  SaverFile saver(1000);
  Locate(saver.Finish());
  EXPECT_TRUE(PayloadFound);
}

TEST_F(PayloadTest, ExeExtensionSetsRunAsExe) {
  SaverFile saver;
  Locate(saver.Finish(), "show.EXE");
  EXPECT_TRUE(RunAsExe);
  Locate(std::string(1000, 'x'), "plain.exe");
  EXPECT_FALSE(RunAsExe) << "no payload, no run as program";
}

TEST_F(PayloadTest, ASettingsNameThatIsNotAPlainFileNameIsIgnored) {
  SaverFile saver;
  Locate(saver.Finish("..\\..\\evil.002"));
  EXPECT_TRUE(PayloadFound);
  EXPECT_TRUE(SettingsFile.empty());
  EXPECT_FALSE(fs::exists(dir_.Folder() + "evil.002~"));
  // On Windows these would write the settings archive to a port.
  for (const char* device : {"COM1.002", "lpt\xb9.002", "NUL.002"}) {
    Locate(saver.Finish(device));
    EXPECT_TRUE(SettingsFile.empty()) << device;
    EXPECT_FALSE(InTemp(std::string(device) + "~")) << device;
  }
}

TEST_F(PayloadTest, AnAsIsItemIsAByteExactCopyOfItsRange) {
  SaverFile saver;
  const std::string picture = testing::RandomBytes(70000, 4);
  saver.AddItem("a.jpg", picture, /*asIs=*/true);
  Locate(saver.Finish());
  std::string path = "a.jpg";
  ASSERT_TRUE(FetchPayloadFile("a.jpg", path));
  EXPECT_EQ(path, TempRoot + "a.jpg");
  EXPECT_EQ(ReadFile(path), picture);
  EXPECT_EQ(ReadFile(path + "~"), picture) << "the raw copy stays until the end of the run";
}

TEST_F(PayloadTest, AZippedItemUnpacksAndReplacesFiles) {
  SaverFile saver;
  saver.AddItem("b.png", "new picture", /*asIs=*/false);
  Locate(saver.Finish());
  WriteFile(TempRoot + "other-b.png", "x");
  ExtractPayloadItem("b.png", TempRoot + "b.png", "");
  EXPECT_EQ(ReadFile(TempRoot + "b.png"), "new picture");
  // Extracting again replaces the file.
  WriteFile(TempRoot + "b.png", "stale");
  ExtractPayloadItem("b.png", TempRoot + "b.png", "");
  EXPECT_EQ(ReadFile(TempRoot + "b.png"), "new picture");
}

TEST_F(PayloadTest, AnEqualsSignTravelsAsTwoStars) {
  SaverFile saver;
  saver.AddItem("a**b.jpg", "eq", /*asIs=*/false, "a=b.jpg");
  Locate(saver.Finish());
  std::string path = "a=b.jpg";  // the entry with "**" replaced
  ASSERT_TRUE(FetchPayloadFile("a**b.jpg", path));
  EXPECT_EQ(path, TempRoot + "a=b.jpg");
  EXPECT_EQ(ReadFile(path), "eq");
}

TEST_F(PayloadTest, FetchingTwiceExtractsOnce) {
  SaverFile saver;
  saver.AddItem("c.jpg", "c", /*asIs=*/true);
  Locate(saver.Finish());
  std::string path = "c.jpg";
  ASSERT_TRUE(FetchPayloadFile("c.jpg", path));
  fs::remove(TempRoot + "c.jpg~");
  path = "c.jpg";
  ASSERT_TRUE(FetchPayloadFile("c.jpg", path));
  EXPECT_FALSE(InTemp("c.jpg~")) << "the second fetch must not extract again";
}

TEST_F(PayloadTest, AnItemWithoutOffsetsIsNotThere) {
  SaverFile saver;
  saver.AddSettingsLines("[Pictures]\r\nmissing.jpg=1\r\n");
  Locate(saver.Finish());
  std::string path = "missing.jpg";
  EXPECT_FALSE(FetchPayloadFile("missing.jpg", path));
  EXPECT_FALSE(InTemp("missing.jpg~"));
}

TEST_F(PayloadTest, OffsetsOutsideTheFileExtractNothing) {
  SaverFile saver;
  saver.AddSettingsLines(
      "[zippos]\r\nfar.jpg_1=100\r\nfar.jpg_2=999999999\r\nback.jpg_1=5000\r\nback.jpg_2=4000\r\n"
      "neg.jpg_1=-50\r\nneg.jpg_2=10\r\nsame.jpg_1=7\r\nsame.jpg_2=7\r\n[notzip]\r\nfar.jpg=1\r\n"
      "back.jpg=1\r\nneg.jpg=1\r\nsame.jpg=1\r\n");
  Locate(saver.Finish());
  for (const char* name : {"far.jpg", "back.jpg", "neg.jpg", "same.jpg"}) {
    std::string path = name;
    EXPECT_FALSE(FetchPayloadFile(name, path)) << name;
    EXPECT_FALSE(InTemp(std::string(name) + "~")) << name;
  }
}

TEST_F(PayloadTest, ItemsWhoseRangesOverlapAreNotExtracted) {
  // Fifty as-is items each covering the same bytes: a few hundred bytes of
  // settings that would write the payload fifty times.
  SaverFile saver;
  saver.AddItem("ok.jpg", "first", /*asIs=*/true);
  saver.AddItem("next.jpg", "second", /*asIs=*/true);
  std::string lines = "[zippos]\r\n";
  std::string notzip = "[notzip]\r\n";
  for (int i = 0; i < 50; ++i) {
    const std::string name = "all" + std::to_string(i) + ".jpg";
    lines += name + "_1=1000\r\n" + name + "_2=150000\r\n";
    notzip += name + "=1\r\n";
  }
  saver.AddSettingsLines(lines + notzip);
  Locate(saver.Finish());
  for (int i = 0; i < 50; ++i) {
    const std::string name = "all" + std::to_string(i) + ".jpg";
    std::string path = name;
    EXPECT_FALSE(FetchPayloadFile(name, path)) << name;
    EXPECT_FALSE(InTemp(name + "~")) << name;
  }
  // Items that follow each other, past the overlapping ones, are whole.
  std::string path = "ok.jpg";
  EXPECT_TRUE(FetchPayloadFile("ok.jpg", path));
  EXPECT_EQ(ReadFile(path), "first");
  path = "next.jpg";
  EXPECT_TRUE(FetchPayloadFile("next.jpg", path));
  EXPECT_EQ(ReadFile(path), "second");
}

TEST_F(PayloadTest, ATruncatedArchiveReadsAsMissing) {
  // The item's range holds an archive whose stored data was cut short: the
  // reader writes part of the file, then fails. A part-written picture must
  // not be taken for the whole one.
  std::string archive = testzip::Build({{"t.jpg", testing::RandomBytes(50000, 5), 0}});
  archive.erase(30 + 5 + 20000, 30000);
  SaverFile saver;
  saver.AddItem("t.jpg", archive, /*asIs=*/true);
  Locate(saver.Finish());
  PayloadSettings().WriteBool("notzip", "t.jpg", false);
  std::string path = "t.jpg";
  EXPECT_FALSE(FetchPayloadFile("t.jpg", path));
  EXPECT_FALSE(InTemp("t.jpg"));
}

TEST_F(PayloadTest, ItemTargetsMustBePlainFilesInsideTempRoot) {
  SaverFile saver;
  saver.AddItem("x.jpg", "x", /*asIs=*/true);
  Locate(saver.Finish());
  ExtractPayloadItem("x.jpg", TempRoot + "../x.jpg", "");
  EXPECT_FALSE(fs::exists(dir_.Folder() + "x.jpg~"));
  std::string path = "..";
  EXPECT_FALSE(FetchPayloadFile("..", path));
}

TEST_F(PayloadTest, ItemsNamedAsDevicesAreNeverExtracted) {
  SaverFile saver;
  for (const char* device : {"COM1.jpg", "LPT1.png", "com\xb2.gif", "CON.bmp"}) saver.AddItem(device, "x", true);
  Locate(saver.Finish());
  for (const char* device : {"COM1.jpg", "LPT1.png", "com\xb2.gif", "CON.bmp"}) {
    std::string path = device;
    EXPECT_FALSE(FetchPayloadFile(device, path)) << device;
    EXPECT_FALSE(InTemp(std::string(device) + "~")) << device;
  }
}

TEST_F(PayloadTest, CleanUpEmptiesBothFoldersButKeepsSubFolders) {
  fs::create_directories(TempRoot + "sub");
  fs::create_directories(TempRoot + "tmp/deeper");
  WriteFile(TempRoot + "a.jpg", "a");
  WriteFile(TempRoot + ".hidden", "h");
  WriteFile(TempRoot + "tmp/b.jpg", "b");
  WriteFile(TempRoot + "sub/c.jpg", "c");
  WriteFile(TempRoot + "tmp/deeper/d.jpg", "d");
  fs::permissions(TempRoot + "a.jpg", fs::perms::owner_read);
  CleanTempFolders();
  EXPECT_FALSE(InTemp("a.jpg"));
  EXPECT_FALSE(InTemp(".hidden"));
  EXPECT_FALSE(InTemp("tmp/b.jpg"));
  EXPECT_TRUE(InTemp("sub/c.jpg"));
  EXPECT_TRUE(InTemp("tmp/deeper/d.jpg"));
  EXPECT_TRUE(fs::is_directory(TempRoot + "tmp"));
}

TEST_F(PayloadTest, TheDecoderLibraryGoesToTheSystemFolderWhenZipped) {
  SaverFile saver;
  saver.AddItem(kDecoderLibraryItem, "library bytes", /*asIs=*/false);
  Locate(saver.Finish());
  ExtractDecoderLibrary();
  EXPECT_EQ(ReadFile(SystemFolder + kDecoderLibraryItem), "library bytes");
  EXPECT_FALSE(InTemp(kDecoderLibraryItem));
}

}  // namespace
}  // namespace kestro
