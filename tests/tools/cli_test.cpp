#include "cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "builder_fixture.h"
#include "inspect.h"

namespace kestro::builder {
namespace {

using testing::ReadFile;

class CliTest : public BuilderTest {
 protected:
  int Run(const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return RunKestroBuild(args, out_, err_);
  }
  std::ostringstream out_, err_;
};

TEST_F(CliTest, UsageAndArgumentErrors) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("kestro-build make --runtime R --out OUT.scr --title T"), std::string::npos);
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_NE(err_.str().find("kestro-build: EUsageError: unknown command"), std::string::npos);
  EXPECT_EQ(Run({"make", "--out", dir_.File("o.scr"), "--title", "T"}), 2);
  EXPECT_NE(err_.str().find("--runtime"), std::string::npos);
  EXPECT_EQ(Run({"make", "--runtime", runtime_, "--out", dir_.File("o.scr"), "--title", "T", "--set", "Set=1"}), 2);
  EXPECT_EQ(Run({"make", "--runtime", runtime_, "--out", dir_.File("o.scr"), "--title"}), 2);
  EXPECT_EQ(Run({"make", "--runtime", runtime_, "--out", dir_.File("o.scr"), "--title", "T", "--colour", "red"}), 2);
  EXPECT_EQ(Run({"inspect"}), 2);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("o.scr")));
}

TEST_F(CliTest, FailuresNameTheErrorClass) {
  EXPECT_EQ(Run({"make", "--runtime", runtime_, "--out", dir_.File("o.scr"), "--title", "a**b"}), 1);
  EXPECT_EQ(err_.str().rfind("kestro-build: EBuildError: ", 0), 0u) << err_.str();
  testing::WriteFile(dir_.File("junk.zip"), "no archive here, just some text that is long enough");
  EXPECT_EQ(Run({"unzip", dir_.File("junk.zip"), dir_.File("junk")}), 1);
  EXPECT_EQ(err_.str(), "kestro-build: EIncompleteZip: Incomplete Zip File\n");
  EXPECT_EQ(Run({"inspect", dir_.File("nothing.scr")}), 1);
  EXPECT_NE(err_.str().find("EFOpenError"), std::string::npos);
}

TEST_F(CliTest, MakeInspectExtractAndUnzip) {
  const std::string saver = dir_.File("show.scr");
  ASSERT_EQ(Run({"make", "--runtime=" + runtime_, "--out", saver, "--title", "My Show", "--picture", picture_,
                 "--picture", equals_, "--music", music_, "--file", library_, "--store-as-is", "song.mp3",
                 "--settings", ini_, "--set", "Set.ImageInterval=8"}),
            0)
      << err_.str();

  ASSERT_EQ(Run({"inspect", saver}), 0) << out_.str();
  const std::string shown = out_.str();
  const std::string equalsEntry = "entry b=c.jpg  deflated (8)  " + std::to_string(ReadFile(equals_).size()) + " bytes";
  for (const std::string& text : {std::string("settings file: My Show.002"), std::string("entry My Show.002  deflated"),
                           std::string("items: 4"), std::string("  b**c.jpg  zip  "), equalsEntry,
                           std::string("[Pictures]  JPEG 33x17\n"), std::string("  song.mp3  as-is  "),
                           std::string("30000 bytes  [Music]\n"), std::string("  MPEGDLL.DLL  zip  "),
                           std::string("\nsettings (defaults and the settings file):\nPictureList\n  a.jpg\n  b**c.jpg\nImageSize=0\n"),
                           std::string("\nImageInterval=8\n"), std::string("\nMusicList\n  song.mp3\nPlayMusic=1\n"),
                           std::string("\nEnabledEffects=5,6,7,8,11,12,"), std::string("\nScrName=Screensaver Setting\n")}) {
    EXPECT_NE(shown.find(text), std::string::npos) << text << "\n" << shown;
  }
  // Inspection leaves nothing behind in the temporary folder.
  EXPECT_TRUE(std::filesystem::is_empty(sys_.tempFolder));

  const std::string folder = dir_.File("extracted");
  ASSERT_EQ(Run({"extract", saver, folder}), 0) << err_.str();
  EXPECT_NE(out_.str().find("4 of 4 items extracted"), std::string::npos);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"MPEGDLL.DLL", "My Show.002", "a.jpg", "b=c.jpg", "song.mp3"}));
  EXPECT_EQ(ReadFile(folder + "/a.jpg"), ReadFile(picture_));
  EXPECT_EQ(ReadFile(folder + "/b=c.jpg"), ReadFile(equals_));
  EXPECT_EQ(ReadFile(folder + "/song.mp3"), ReadFile(music_));
  EXPECT_EQ(ReadFile(folder + "/MPEGDLL.DLL"), ReadFile(library_));
  EXPECT_NE(ReadFile(folder + "/My Show.002").find("\r\nImageInterval = 8\r\n"), std::string::npos);
  EXPECT_EQ(TempRoot, dir_.Folder() + "root/") << "TempRoot is restored";

  // The settings archive, cut out of the saver, through the reader alone.
  const Inspection inspection = InspectScreensaver(saver);
  const std::string bytes = ReadFile(saver);
  testing::WriteFile(dir_.File("settings.zip"), bytes.substr(inspection.archiveOffset));
  ASSERT_EQ(Run({"unzip", dir_.File("settings.zip"), dir_.File("unzipped")}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "1 entries extracted\n");
  EXPECT_EQ(ReadFile(dir_.File("unzipped/My Show.002")), ReadFile(folder + "/My Show.002"));
}

TEST_F(CliTest, ADamagedItemIsReportedAndTheOthersStillExtract) {
  const std::string saver = dir_.File("show.scr");
  BuildOptions o = FullOptions("show.scr");
  const BuildResult built = MakeScreensaver(o);
  // Break the end record of a.jpg's archive.
  std::string bytes = ReadFile(saver);
  const BuiltItem& a = built.items[0];
  const std::size_t central = bytes.find("PK\x05\x06", a.start);
  ASSERT_LT(central, a.end);
  bytes.replace(central, 4, "XXXX");
  testing::WriteFile(saver, bytes);

  EXPECT_EQ(Run({"inspect", saver}), 1);
  EXPECT_NE(out_.str().find("problem: EIncompleteZip: Incomplete Zip File"), std::string::npos) << out_.str();
  EXPECT_EQ(Run({"extract", saver, dir_.File("x")}), 1);
  EXPECT_NE(err_.str().find("a.jpg: "), std::string::npos) << err_.str();
  EXPECT_NE(out_.str().find("3 of 4 items extracted"), std::string::npos) << out_.str();
  for (const auto& entry : std::filesystem::directory_iterator(dir_.File("x"))) {
    EXPECT_NE(entry.path().filename().string().back(), '~') << entry.path();
  }
}

TEST_F(CliTest, APlainProgramFileHasNoPayload) {
  EXPECT_EQ(Run({"inspect", runtime_}), 0);
  EXPECT_NE(out_.str().find("payload: none"), std::string::npos);
  EXPECT_EQ(Run({"extract", runtime_, dir_.File("x")}), 1);
  EXPECT_NE(err_.str().find("carries no payload"), std::string::npos);
}

}  // namespace
}  // namespace kestro::builder

namespace kestro::builder {
namespace {

class CliFolderTest : public CliTest {
 protected:
  std::vector<std::string> Make(std::vector<std::string> more) {
    std::vector<std::string> args = {"make", "--runtime", runtime_, "--out", dir_.File("f.scr"), "--title", "F"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
};

TEST_F(CliFolderTest, FoldersOfPicturesAndMusicWithProgressLines) {
  const std::string folder = dir_.Folder() + "in";
  std::filesystem::create_directories(folder + "/sub");
  testing::WriteFile(folder + "/sub/c.jpg", ReadFile(picture_));
  ASSERT_EQ(Run(Make({"--pictures", folder, "--music", folder, "--recursive", "--no-decoder"})), 0) << err_.str();
  const std::string out = out_.str();
  for (const char* line : {"skipped " , "song.mp3: not a picture the show can use\n", "base.ini: not music the show plays\n",
                           "\na.jpg  zip  ", "\nb**c.jpg  zip  ", "\nc.jpg  zip  ", "\nsong.mp3  zip  "}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  EXPECT_LT(out.find("\na.jpg  zip"), out.find("\nc.jpg  zip")) << "sub-folders at the place of their name";
  // Not a terminal here: plain progress lines, ending with both stages done.
  EXPECT_NE(err_.str().find("checking pictures: 3/3 items, "), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("writing: 4/4 items, "), std::string::npos) << err_.str();
  EXPECT_EQ(err_.str().find('\r'), std::string::npos);

  ASSERT_EQ(Run(Make({"--pictures", folder, "--quiet"})), 0) << err_.str();
  EXPECT_EQ(err_.str(), "");
  EXPECT_NE(out_.str().find("skipped " + folder + "/sub: a folder (--recursive takes sub-folders)\n"), std::string::npos)
      << out_.str();
}

TEST_F(CliFolderTest, PictureOptionsAreChecked) {
  EXPECT_EQ(Run(Make({"--shrink"})), 2);
  EXPECT_NE(err_.str().find("--shrink needs --max-size"), std::string::npos);
  EXPECT_EQ(Run(Make({"--max-size", "big"})), 2);
  EXPECT_NE(err_.str().find("expected WIDTHxHEIGHT"), std::string::npos);
  EXPECT_EQ(Run(Make({"--pictures", dir_.File("none")})), 1);
  EXPECT_NE(err_.str().find("no such folder"), std::string::npos);
  EXPECT_EQ(Run(Make({"--picture", picture_, "--max-size=10x10", "--keep-orientation", "--keep-broken"})), 0);
  EXPECT_NE(err_.str().find("kestro-build: warning: a.jpg: 64x48 is larger than 10x10\n"), std::string::npos)
      << err_.str();
}

}  // namespace
}  // namespace kestro::builder
