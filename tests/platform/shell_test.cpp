// Opening an address on Linux: xdg-open gets it as one argument, with no
// shell in between to read anything in it.
#include "platform/api/shell.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/temp_dir.h"

namespace kestro {
namespace {

TEST(ShellOpen, PassesTheAddressToXdgOpenAsItIs) {
  testing::TempDir dir;
  const std::string seen = dir.File("seen.txt");
  const std::string script = dir.File("xdg-open");
  testing::WriteFile(script, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + seen + ".part' && mv '" + seen +
                                 ".part' '" + seen + "'\n");
  ASSERT_EQ(chmod(script.c_str(), 0755), 0);
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", (dir.Folder() + ":" + saved).c_str(), 1);

  const std::string address = "http://example.org/?a=1&b=$(touch x) 'q' \"r\";ls";
  const bool started = platform::Shell().OpenDocument(address);
  ::setenv("PATH", saved.c_str(), 1);
  ASSERT_TRUE(started);
  for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(testing::ReadFile(seen), "1|" + address);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "x"));
}

TEST(ShellOpen, SaysSoWhenThereIsNoOpener) {
  testing::TempDir dir;
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  ::setenv("PATH", dir.Folder().c_str(), 1);
  const bool started = platform::Shell().OpenDocument("http://example.org/");
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_FALSE(started);
}

}  // namespace
}  // namespace kestro
