#include "payload/mem_ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace kestro {
namespace {

TMemIniFile Load(std::string_view text) {
  TMemIniFile ini;
  ini.LoadFromText(text);
  return ini;
}

TEST(MemIniFileTest, NamesCompareWithoutCaseAndTheValueFollowsTheFirstEquals) {
  const TMemIniFile ini = Load("[Set]\r\n  ScrName =  a=b = c  \r\n[caption]\r\nFONTNAME=Arial\r\n");
  EXPECT_EQ(ini.ReadString("SET", "scrname", "x"), "a=b = c");
  EXPECT_EQ(ini.ReadString("Caption", "FontName", "x"), "Arial");
  EXPECT_TRUE(ini.SectionExists("CAPTION"));
  EXPECT_FALSE(ini.ValueExists("Set", "FontName"));
  // Case-insensitive in the Windows code page too.
  const TMemIniFile accents = Load("[\xC9t\xE9]\nCl\xE9=1\n");
  EXPECT_EQ(accents.ReadInteger("\xE9T\xC9", "CL\xC9", 0), 1);
}

TEST(MemIniFileTest, IntegersAreDecimalOrHexAndAnythingElseIsAbsent) {
  const TMemIniFile ini = Load(
      "[S]\na=0x0A\nb=-12\nc=yes\nd=0x\ne=12abc\nf=0XfF\ng=$10\nh=\ni=2147483648\nj=0xFFFFFFFF\n");
  EXPECT_EQ(ini.ReadInteger("S", "a", 0), 10);
  EXPECT_EQ(ini.ReadInteger("S", "b", 0), -12);
  EXPECT_EQ(ini.ReadInteger("S", "c", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "d", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "e", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "f", 0), 255);
  EXPECT_EQ(ini.ReadInteger("S", "h", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "i", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "j", 0), -1);
  EXPECT_TRUE(ini.ReadBool("S", "c", true));
  EXPECT_FALSE(ini.ReadBool("S", "c", false));
  EXPECT_TRUE(ini.ReadBool("S", "b", false));
}

TEST(MemIniFileTest, KeysKeepFileOrderAndTheFirstOfADuplicateCounts) {
  const TMemIniFile ini = Load(
      "[Pictures]\nb.jpg=1\na.jpg=0\nB.JPG=5\n; c.jpg=1\nno equals here\n=1\n[Other]\nx=1\n[pictures]\nc.jpg=1\n");
  EXPECT_EQ(ini.ReadSection("Pictures"), (std::vector<std::string>{"b.jpg", "a.jpg", "c.jpg"}));
  EXPECT_EQ(ini.ReadInteger("Pictures", "b.jpg", 0), 1);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Pictures", "Other"}));
}

TEST(MemIniFileTest, LoneCarriageReturnsEndLines) {
  const std::string text = "[Set]\rImageInterval=5\rPlayMusic=0\r";
  TMemIniFile ini = Load(text);
  EXPECT_EQ(ini.ReadInteger("Set", "ImageInterval", 0), 5);
  EXPECT_EQ(ini.ReadInteger("Set", "PlayMusic", 1), 0);
  ini.WriteInteger("Set", "ClearOldImage", 1);
  EXPECT_EQ(ini.ToText(), "[Set]\rImageInterval=5\rPlayMusic=0\rClearOldImage=1\r");
}

TEST(MemIniFileTest, AByteOrderMarkBeforeTheFirstSectionIsSkipped) {
  const std::string text = "\xEF\xBB\xBF[Set]\r\nImageInterval=7\r\n";
  TMemIniFile ini = Load(text);
  EXPECT_EQ(ini.ReadInteger("Set", "ImageInterval", 0), 7);
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"Set"});
  EXPECT_EQ(ini.ToText(), text) << "the mark is written back";
  // Only at the very start: elsewhere it belongs to the line.
  EXPECT_FALSE(Load("[A]\n\xEF\xBB\xBF[Set]\nx=1\n").SectionExists("Set"));
}

TEST(MemIniFileTest, KeysBeforeTheFirstSectionAreNotRead) {
  const TMemIniFile ini = Load("a=1\n[S]\nb=2\n");
  EXPECT_FALSE(ini.ValueExists("", "a"));
  EXPECT_EQ(ini.ReadSection("S"), std::vector<std::string>{"b"});
}

TEST(MemIniFileTest, AnyBytesComeBackUnchanged) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::string text = testing::RandomBytes(5000, seed);
    // Salt the junk with the characters the reader looks for.
    for (std::size_t i = 0; i < text.size(); i += 37) text[i] = "[]=\r\n;\0"[i % 7];
    const TMemIniFile ini = Load(text);
    ASSERT_EQ(ini.ToText(), text) << "seed " << seed;
    for (const std::string& section : ini.ReadSections()) {
      for (const std::string& key : ini.ReadSection(section)) ASSERT_TRUE(ini.ValueExists(section, key));
    }
  }
}

TEST(MemIniFileTest, NulBytesAreOrdinaryCharacters) {
  const std::string text = std::string("[A\0B]\nk\0ey=v\0al\n[A]\nkey=1\n", 26);
  TMemIniFile ini = Load(text);
  EXPECT_EQ(ini.ReadString(std::string("A\0B", 3), std::string("k\0ey", 4), "x"), std::string("v\0al", 4));
  EXPECT_FALSE(ini.ValueExists("A", std::string("B\0key", 5)));
  EXPECT_EQ(ini.ReadInteger("A", "key", 0), 1);
}

TEST(MemIniFileTest, HugeLinesAndManySectionsLoadAndWrite) {
  std::string text = "[Set]\nImageInterval=" + std::string(8u << 20, '7') + "\n";
  for (int i = 0; i < 20000; ++i) text += "[S" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  text += std::string(100000, '\n');
  TMemIniFile ini = Load(text);
  EXPECT_EQ(ini.ReadInteger("Set", "ImageInterval", 3), 3);
  EXPECT_EQ(ini.ReadString("Set", "ImageInterval", "").size(), 8u << 20);
  EXPECT_EQ(ini.ReadSections().size(), 20001u);
  EXPECT_EQ(ini.ReadInteger("s19999", "K", 0), 19999);
  for (int i = 0; i < 200; ++i) ini.WriteInteger("Set", "New" + std::to_string(i), i);
  ini.WriteInteger("S0", "k", 5);
  const std::string out = ini.ToText();
  std::string expected = "[Set]\nImageInterval=" + std::string(8u << 20, '7') + "\n";
  for (int i = 0; i < 200; ++i) expected += "New" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  expected += "[S0]\nk=5\n" + text.substr(text.find("[S1]\n"));
  EXPECT_TRUE(out == expected);
  EXPECT_EQ(ini.ReadInteger("Set", "New199", 0), 199);
  EXPECT_TRUE(out.ends_with(std::string(100000, '\n')));
}

TEST(MemIniFileTest, WritingChangesOnlyTheLinesOfTheKeysWritten) {
  const std::string text =
      "; header comment\r\n[Set]\r\nzipscr=1\r\n  ImageInterval = 5 ; not a comment\r\nodd line\r\n\r\n"
      "[Other]\r\nx=1\r\n\r\n\r\n";
  TMemIniFile ini = Load(text);
  ini.WriteInteger("set", "imageinterval", 10);
  ini.WriteBool("Set", "PlayMusic", false);
  ini.WriteString("Other", "y", "two words ");
  ini.WriteString("Caption", "FontName", "Arial\r\nInjected=1");
  EXPECT_EQ(ini.ToText(),
            "; header comment\r\n[Set]\r\nzipscr=1\r\n  ImageInterval = 10\r\nPlayMusic=0\r\nodd line\r\n\r\n"
            "[Other]\r\nx=1\r\ny=two words\r\n\r\n\r\n"
            "[Caption]\r\nFontName=Arial  Injected=1\r\n");
  EXPECT_FALSE(Load(ini.ToText()).ValueExists("Caption", "Injected"));
}

TEST(MemIniFileTest, ANewSectionEndsTheLastLineAndIsSetOffByABlankLine) {
  TMemIniFile ini = Load("[A]\nx=1");
  ini.WriteInteger("B", "y", 2);
  ini.WriteInteger("A", "z", 3);
  EXPECT_EQ(ini.ToText(), "[A]\nx=1\nz=3\n\n[B]\ny=2\n");
  TMemIniFile empty;
  empty.WriteInteger("Set", "a", 1);
  EXPECT_EQ(empty.ToText(), "[Set]\r\na=1\r\n");
}

TEST(MemIniFileTest, AnUnchangedValueLeavesItsLineAlone) {
  const std::string text = "[Set]\nImageInterval = 10   \n";
  TMemIniFile ini = Load(text);
  ini.WriteInteger("Set", "ImageInterval", 10);
  EXPECT_EQ(ini.ToText(), text);
}

TEST(MemIniFileTest, KeysThatWouldNotReadBackAreNotWritten) {
  TMemIniFile ini = Load("[S]\n");
  for (const char* key : {"", "  ", "a=b", ";c", "[d", "e\nf"}) ini.WriteString("S", key, "]");
  EXPECT_EQ(ini.ToText(), "[S]\n");
}

TEST(MemIniFileTest, MovedStoresKeepTheirIndex) {
  TMemIniFile a = Load("[S]\nk=1\n");
  TMemIniFile b = std::move(a);
  b.WriteInteger("S", "k", 2);
  b.WriteInteger("S", "m", 3);
  TMemIniFile c;
  c = std::move(b);
  EXPECT_EQ(c.ReadInteger("S", "k", 0), 2);
  EXPECT_EQ(c.ToText(), "[S]\nk=2\nm=3\n");
}

TEST(MemIniFileTest, AFileTooLargeToLoadIsNeverWrittenOver) {
  testing::TempDir dir;
  const std::string path = dir.File("big.ini");
  const std::string big = "[Set]\nx=1\n" + std::string(TMemIniFile::kMaxFileSize, ';');
  testing::WriteFile(path, big);
  TMemIniFile ini(path);
  EXPECT_FALSE(ini.ValueExists("Set", "x"));
  ini.WriteInteger("Set", "y", 1);
  EXPECT_FALSE(ini.UpdateFile());
  EXPECT_EQ(std::filesystem::file_size(path), big.size());

  TMemIniFile missing(dir.File("new.ini"));
  missing.WriteInteger("Set", "y", 1);
  EXPECT_TRUE(missing.UpdateFile());
  EXPECT_EQ(testing::ReadFile(dir.File("new.ini")), "[Set]\r\ny=1\r\n");
}

}  // namespace
}  // namespace kestro
