#include <gtest/gtest.h>

#include "common/ansi.h"
#include "common/cmdline.h"
#include "common/paths.h"

namespace kestro {
namespace {

TEST(AnsiText, CaseFollowsTheWindowsCodePage) {
  EXPECT_EQ(AnsiUpperCase("photo.JpG"), "PHOTO.JPG");
  EXPECT_EQ(AnsiUpperCase("\xe9t\xe9"), "\xc9T\xc9");   // été
  EXPECT_EQ(AnsiUpperCase("\xf7\xff"), "\xf7\x9f");     // division sign stays; ÿ -> Ÿ
  EXPECT_EQ(AnsiLowerCase("\xc9T\xc9"), "\xe9t\xe9");
  EXPECT_TRUE(SameText("Website", "WEBSITE"));
  EXPECT_FALSE(SameText("web", "webs"));
  EXPECT_TRUE(ContainsText("C:\\My Website\\x.scr", "web"));
  EXPECT_EQ(FindText("abcABC", "Cab"), 2u);
  EXPECT_LT(CompareText("a", "B"), 0);
  EXPECT_TRUE(StartsWithText("(URL) x", "(url) "));
}

TEST(AnsiText, ReplaceAll) {
  EXPECT_EQ(ReplaceAll("a**b**c", "**", "="), "a=b=c");
  EXPECT_EQ(ReplaceAll("***", "**", "="), "=*");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

TEST(Paths, SplitAtEveryDelimiter) {
  EXPECT_EQ(ExtractFileName("C:\\pics\\a.jpg"), "a.jpg");
  EXPECT_EQ(ExtractFileName("pics/a.jpg"), "a.jpg");
  EXPECT_EQ(ExtractFileName("C:a.jpg"), "a.jpg");
  EXPECT_EQ(ExtractFileName("dir\\"), "");
  EXPECT_EQ(ExtractFilePath("C:\\pics\\a.jpg"), "C:\\pics\\");
  EXPECT_EQ(ExtractFileExt("a.b\\photo.tar.JPG"), ".JPG");
  EXPECT_EQ(ExtractFileExt("a.b\\photo"), "");
  EXPECT_EQ(IncludeTrailingSeparator("x\\"), "x\\");
  EXPECT_EQ(IncludeTrailingSeparator("x/"), "x/");
  EXPECT_EQ(JoinPath("x", "y"), std::string("x") + kPathSep + "y");
}

TEST(Paths, PlainFileNamesExcludeFolderPartsControlsAndDevices) {
  for (const char* ok : {"a.jpg", "COM10.jpg", "COM0.png", "CONSOLE.txt", "LPT.png", "nul_.txt", "\xe9t\xe9.png",
                         "COM\xb4.jpg"}) {
    EXPECT_TRUE(IsPlainFileName(ok)) << ok;
  }
  for (const char* bad : {"", ".", "..", "a/b.jpg", "a\\b.jpg", "C:a.jpg", "tab\t.jpg", "CON", "con.txt",
                          "COM1.002", "com9.jpg", "LPT1.png", "nul .jpg", "CONOUT$.x", "AUX.tar.gz",
                          "COM\xb9.jpg", "lpt\xb2.png", "LPT\xb3", "PRN"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
  EXPECT_TRUE(IsWindowsDeviceName("COM\xb2.002"));
  EXPECT_FALSE(IsWindowsDeviceName("COMA"));
}

TEST(SplitCommandLine, FollowsWindowsArgumentRules) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("prog.scr /s"), (V{"prog.scr", "/s"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\My Savers\\a b.scr\"  /p   1234 "),
            (V{"C:\\My Savers\\a b.scr", "/p", "1234"}));
  EXPECT_EQ(SplitCommandLine("a\"b c\"d e"), (V{"ab cd", "e"}));
  EXPECT_EQ(SplitCommandLine("x \"\" y"), (V{"x", "y"}));
  EXPECT_EQ(SplitCommandLine("x \"unterminated arg"), (V{"x", "unterminated arg"}));
  EXPECT_EQ(SplitCommandLine("x\t/c"), (V{"x", "/c"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
}

}  // namespace
}  // namespace kestro
