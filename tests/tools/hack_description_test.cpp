#include "hack_description.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "builder_fixture.h"

namespace kestro::builder {
namespace {

using testing::ReadFile;

TEST(HackDescription, NamesTheProgramAndItsTitleEscaped) {
  const std::string xml = HackDescriptionXml("kestro-a&b", "Tom & \"Jerry\" <3\x01");
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"windows-1252\"?>", 0), 0u);
  EXPECT_NE(xml.find("<screensaver name=\"kestro-a&amp;b\" _label=\"Tom &amp; &quot;Jerry&quot; &lt;3\">"),
            std::string::npos);
  EXPECT_NE(xml.find("<command arg=\"-root\"/>"), std::string::npos);
  EXPECT_EQ(xml.find('\x01'), std::string::npos) << "no control characters in XML";
  EXPECT_NE(xml.find("</screensaver>"), std::string::npos);
}

// A runtime whose first bytes are an x86-64 ELF header.
std::string ElfRuntime(const std::string& bytes) {
  std::string elf = bytes;
  const char header[20] = {0x7F, 'E', 'L', 'F', 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 62, 0};
  elf.replace(0, sizeof header, header, sizeof header);
  return elf;
}

TEST_F(BuilderTest, ALinuxScreensaverIsExecutableAndDescribedForXScreenSaver) {
  testing::WriteFile(runtime_, ElfRuntime(runtimeBytes_));
  std::filesystem::permissions(runtime_, std::filesystem::perms(0755));
  BuildOptions options = FullOptions();
  options.out = dir_.File("kestro-show");
  const BuildResult built = MakeScreensaver(options);
  EXPECT_EQ(built.hackDescription, dir_.File("kestro-show") + ".xml");
  const auto perms = std::filesystem::status(options.out).permissions();
  EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
  EXPECT_NE(perms & std::filesystem::perms::others_exec, std::filesystem::perms::none);
  EXPECT_EQ(ReadFile(built.hackDescription), HackDescriptionXml("kestro-show", options.title));
}

TEST_F(BuilderTest, AWindowsScreensaverGetsNoDescription) {
  const BuildResult built = MakeScreensaver(FullOptions());
  EXPECT_TRUE(built.hackDescription.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.scr") + ".xml"));
}

}  // namespace
}  // namespace kestro::builder
