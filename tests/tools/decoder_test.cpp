// The builder's choice of the decoder library: the runtime's architecture
// from its header, the library beside it, and the refusals.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "builder_fixture.h"
#include "cli.h"
#include "decoder.h"

namespace kestro::builder {
namespace {

std::string Pe(std::uint16_t machine) {
  std::string b(0x200, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  b[0x3C] = 0x40;
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  b[0x44] = static_cast<char>(machine & 0xFF);
  b[0x45] = static_cast<char>(machine >> 8);
  return b;
}

std::string Elf(std::uint16_t machine) {
  std::string b(0x100, '\0');
  b.replace(0, 4, "\x7F" "ELF");
  b[4] = 2;
  b[5] = 1;
  b[18] = static_cast<char>(machine & 0xFF);
  b[19] = static_cast<char>(machine >> 8);
  return b;
}

TEST(BinaryKindTest, HeadersOfTheBuiltPlatforms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Pe(0x8664), "Windows x86-64"}, {Pe(0x14C), "Windows i686"}, {Elf(62), "Linux x86-64"}, {Elf(3), "Linux i686"}};
  for (const auto& [bytes, text] : cases) {
    const auto kind = ReadBinaryKind(bytes);
    ASSERT_TRUE(kind) << text;
    EXPECT_EQ(kind->Describe(), text);
  }
  std::string badOffset = Pe(0x8664);
  badOffset[0x3C] = static_cast<char>(0xFF);
  badOffset[0x3D] = static_cast<char>(0xFF);
  for (const std::string& bad : {std::string("MZ"), badOffset, std::string("\x7F" "ELF"), std::string(64, 'x')}) {
    EXPECT_FALSE(ReadBinaryKind(bad));
  }
}

class DecoderChoiceTest : public BuilderTest {
 protected:
  void SetUp() override {
    BuilderTest::SetUp();
    std::filesystem::create_directories(dir_.path() / "rt");
    runtimePe_ = (dir_.path() / "rt" / "saver.exe").string();
    testing::WriteFile(runtimePe_, Pe(0x8664) + testing::RandomBytes(200000, 4));
    options_.runtime = runtimePe_;
    options_.out = dir_.File("out.scr");
    options_.title = "Show";
    options_.items = {{ItemKind::kMusic, music_}};
  }
  std::string Library(const std::string& name, const std::string& header) {
    const std::string path = (dir_.path() / "rt" / name).string();
    testing::WriteFile(path, header + std::string(1000, 'l'));
    return path;
  }
  std::string ErrorOf(const DecoderChoice& choice) {
    try {
      AddDecoderLibrary(options_, choice);
    } catch (const EBuildError& e) {
      return e.Message();
    }
    return "";
  }
  std::string runtimePe_;
  BuildOptions options_;
};

TEST_F(DecoderChoiceTest, TheLibraryBesideTheRuntimeJoinsAnMp3) {
  const std::string lib = Library("mpegdll.dll", Pe(0x8664));
  EXPECT_EQ(AddDecoderLibrary(options_, {}), lib);
  ASSERT_EQ(options_.items.size(), 2u);
  EXPECT_EQ(options_.items[1].path, lib);
  EXPECT_EQ(options_.items[1].kind, ItemKind::kFile);
  // Once there, it is not added again.
  EXPECT_EQ(AddDecoderLibrary(options_, {}), "");
  EXPECT_EQ(options_.items.size(), 2u);
}

TEST_F(DecoderChoiceTest, NoMp3OrNoDecoderAddsNothing) {
  Library("mpegdll.dll", Pe(0x8664));
  EXPECT_EQ(AddDecoderLibrary(options_, {/*none=*/true, ""}), "");
  options_.items = {{ItemKind::kMusic, Input("a.wav", "RIFF")}, {ItemKind::kFile, Input("x.mp3", "id3")}};
  EXPECT_EQ(AddDecoderLibrary(options_, {}), "");
  EXPECT_EQ(options_.items.size(), 2u);
}

TEST_F(DecoderChoiceTest, Refusals) {
  EXPECT_NE(ErrorOf({}).find("--no-decoder"), std::string::npos);  // none found
  Library("mpegdll.dll", Pe(0x14C));
  EXPECT_NE(ErrorOf({}).find("is built for Windows i686, the runtime for Windows x86-64"), std::string::npos);
  const std::string renamed = Library("decoder.dll", Pe(0x8664));
  EXPECT_NE(ErrorOf({false, renamed}).find("must be named \"MPEGDLL.DLL\""), std::string::npos);
  EXPECT_NE(ErrorOf({false, dir_.File("nothing.dll")}).find("Cannot read"), std::string::npos);
  testing::WriteFile(runtimePe_, std::string(300, 'r'));
  EXPECT_NE(ErrorOf({}).find("neither a PE nor an ELF"), std::string::npos);
}

TEST_F(DecoderChoiceTest, MakeAndInspectThroughTheCommandLine) {
  Library("mpegdll.dll", Pe(0x8664));
  std::ostringstream out, err;
  ASSERT_EQ(RunKestroBuild({"make", "--runtime", runtimePe_, "--out", options_.out, "--title", "Show", "--music",
                            music_},
                           out, err),
            0)
      << err.str();
  EXPECT_NE(out.str().find("mpegdll.dll  zip"), std::string::npos) << out.str();
  std::ostringstream shown;
  RunKestroBuild({"inspect", options_.out}, shown, err);
  EXPECT_NE(shown.str().find("decoder library: mpegdll.dll, runtime built for Windows x86-64"), std::string::npos)
      << shown.str();

  std::ostringstream out2, shown2;
  ASSERT_EQ(RunKestroBuild({"make", "--runtime", runtimePe_, "--out", options_.out, "--title", "Show", "--music",
                            music_, "--no-decoder"},
                           out2, err),
            0);
  RunKestroBuild({"inspect", options_.out}, shown2, err);
  EXPECT_NE(shown2.str().find("decoder library: none"), std::string::npos) << shown2.str();
  EXPECT_EQ(RunKestroBuild({"make", "--runtime", runtimePe_, "--out", options_.out, "--title", "Show",
                            "--no-decoder", "--decoder", "x.dll"},
                           out2, err),
            2);
}

}  // namespace
}  // namespace kestro::builder
