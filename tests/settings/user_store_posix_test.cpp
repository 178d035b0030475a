// The user store of POSIX systems, on a configuration folder of the test's own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/api/user_store.h"
#include "support/temp_dir.h"

namespace kestro {
namespace {

class PosixUserStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    saved_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_) {
      ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }
  std::string StoreFile() const { return dir_.Folder() + "kestro/registry.ini"; }

  testing::TempDir dir_;
  std::optional<std::string> saved_;
};

TEST_F(PosixUserStoreTest, ValuesWrittenAreReadBackThroughANewKey) {
  platform::UserStore& store = platform::UserSettingsStore();
  EXPECT_EQ(store.OpenKey("Software\\Brumelwick\\Show.scr", false), nullptr);
  {
    const auto key = store.OpenKey("Software\\Brumelwick\\Show.scr", true);
    ASSERT_NE(key, nullptr);
    key->WriteDword("ImageInterval", 10);
    key->WriteDword("BackgroundColor", 0xFFFFFFFF);
    key->WriteDword("imageinterval", 11);
  }
  const auto key = store.OpenKey("software\\brumelwick\\SHOW.SCR", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadDword("ImageInterval").value, 11u);
  EXPECT_EQ(key->ReadDword("BackgroundColor").value, 0xFFFFFFFFu);
  EXPECT_EQ(key->ReadDword("PlayMusic").state, platform::ValueState::kMissing);
  EXPECT_EQ(testing::ReadFile(StoreFile()),
            "[Software\\Brumelwick\\Show.scr]\nImageInterval=dword:0000000b\nBackgroundColor=dword:ffffffff\n");
}

TEST_F(PosixUserStoreTest, OtherTypesAndTheDefaultValueAreTold) {
  std::filesystem::create_directories(dir_.Folder() + "kestro");
  testing::WriteFile(StoreFile(),
                     "; kept\n[Software\\Brumelwick\\VorelPro]\n@=sz:/opt/vorel\nText=sz:10\nBad=dword:xyz\n"
                     "Long=dword:123456789\nOk=dword:0000002A\n");
  const auto key = platform::UserSettingsStore().OpenKey("Software\\Brumelwick\\VorelPro", false);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->ReadDefaultString(), "/opt/vorel");
  EXPECT_EQ(key->ReadDword("Text").state, platform::ValueState::kOtherType);
  EXPECT_EQ(key->ReadDword("Bad").state, platform::ValueState::kOtherType);
  EXPECT_EQ(key->ReadDword("Long").state, platform::ValueState::kOtherType);
  EXPECT_EQ(key->ReadDword("Ok").value, 42u);
  EXPECT_EQ(key->ReadString("text"), "10");
  EXPECT_EQ(key->ReadString("Ok"), std::nullopt) << "a number is not text";
  EXPECT_EQ(key->ReadString("Missing"), std::nullopt);
  key->WriteDword("New", 1);
  EXPECT_EQ(testing::ReadFile(StoreFile()),
            "; kept\n[Software\\Brumelwick\\VorelPro]\n@=sz:/opt/vorel\nText=sz:10\nBad=dword:xyz\n"
            "Long=dword:123456789\nOk=dword:0000002A\nNew=dword:00000001\n");
}

TEST_F(PosixUserStoreTest, AFailedWriteRaisesNamingTheValue) {
  const auto key = platform::UserSettingsStore().OpenKey("Software\\Brumelwick\\Show.scr", true);
  ASSERT_NE(key, nullptr);
  // The store's folder becomes a file: nothing can be written there any more.
  std::filesystem::remove_all(dir_.Folder() + "kestro");
  testing::WriteFile(dir_.Folder() + "kestro", "");
  try {
    key->WriteDword("ImageSize", 1);
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("ImageSize"), std::string::npos);
  }
  EXPECT_EQ(platform::UserSettingsStore().OpenKey("Software\\Brumelwick\\Other.scr", true), nullptr);
}

TEST_F(PosixUserStoreTest, KeyPathsThatCannotBeStoredAreRefused) {
  EXPECT_EQ(platform::UserSettingsStore().OpenKey("Software\\Brumelwick\\a\nb.scr", true), nullptr);
  EXPECT_EQ(platform::UserSettingsStore().OpenKey("", true), nullptr);
  EXPECT_FALSE(std::filesystem::exists(StoreFile()));
}

}  // namespace
}  // namespace kestro
