// Folders given whole: which files are taken, in which order, and what is
// said about the others.

#include "folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "build_error.h"
#include "common/ansi.h"
#include "convert.h"
#include "imaging/formats.h"
#include "support/temp_dir.h"

namespace kestro::builder {
namespace {

namespace fs = std::filesystem;

class FoldersTest : public ::testing::Test {
 protected:
  std::string Add(const std::string& relative) {
    const fs::path path = dir_.path() / relative;
    fs::create_directories(path.parent_path());
    testing::WriteFile(path.string(), "x");
    return path.string();
  }
  std::vector<std::string> Names(const FolderScan& scan) {
    std::vector<std::string> names;
    for (const std::string& file : scan.files) names.push_back(fs::relative(file, dir_.path()).string());
    return names;
  }
  testing::TempDir dir_;
};

// Every extension of the runtime's registry and of the converted formats is
// taken, whatever its case; nothing else is.
TEST_F(FoldersTest, PicturesAreWhatTheRegistryAndTheConverterTake) {
  std::vector<std::string> extensions;
  for (const TFileFormat& format : PictureFileFormats().Entries()) extensions.push_back(format.extension);
  for (const PhoneFormat& format : PhoneFormats()) {
    for (const char* ext : format.extensions) extensions.push_back(ext);
  }
  for (const std::string& ext : extensions) {
    EXPECT_TRUE(TakesExtension(FolderContent::kPictures, ext)) << ext;
    EXPECT_TRUE(TakesExtension(FolderContent::kPictures, AnsiUpperCase(ext))) << ext;
    EXPECT_FALSE(TakesExtension(FolderContent::kMusic, ext)) << ext;
  }
  for (const char* other : {"", "txt", "mp3", "jpgx", "jp", "db"}) {
    EXPECT_FALSE(TakesExtension(FolderContent::kPictures, other)) << other;
  }
  EXPECT_TRUE(TakesExtension(FolderContent::kMusic, "MP3"));
  EXPECT_TRUE(TakesExtension(FolderContent::kMusic, "wav"));
}

TEST_F(FoldersTest, NameOrderAndWhatIsSkipped) {
  Add("b.JPG");
  Add("A.png");
  Add("a2.heic");
  Add("notes.txt");
  Add(".hidden.jpg");
  Add("sub/c.gif");
  Add("sub/deeper/d.jpg");
  Add("Sub2/e.webp");
  const FolderScan flat = ScanFolder(dir_.Folder(), FolderContent::kPictures, false);
  // "." before "2": the names compare character by character, without regard to case.
  EXPECT_EQ(Names(flat), (std::vector<std::string>{"A.png", "a2.heic", "b.JPG"}));
  const std::string folder = dir_.Folder();
  EXPECT_EQ(flat.skipped, (std::vector<std::string>{folder + ".hidden.jpg: a hidden file",
                                                   folder + "notes.txt: not a picture the show can use",
                                                   folder + "sub: a folder (--recursive takes sub-folders)",
                                                   folder + "Sub2: a folder (--recursive takes sub-folders)"}));

  fs::create_directory_symlink(dir_.path() / "sub", dir_.path() / "zlink");
  const FolderScan deep = ScanFolder(dir_.Folder(), FolderContent::kPictures, true);
  EXPECT_EQ(Names(deep), (std::vector<std::string>{"A.png", "a2.heic", "b.JPG", "sub/c.gif", "sub/deeper/d.jpg",
                                                   "Sub2/e.webp"}));
  EXPECT_EQ(deep.skipped.back(), folder + "zlink: a link to a folder, not followed");

  EXPECT_THROW(ScanFolder(dir_.File("missing"), FolderContent::kMusic, false), EBuildError);
  EXPECT_TRUE(ScanFolder(dir_.Folder() + "sub/deeper", FolderContent::kMusic, false).files.empty());
}

}  // namespace
}  // namespace kestro::builder
