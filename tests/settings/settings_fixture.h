#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload/payload.h"
#include "payload/zip_builder.h"
#include "platform/api/shell.h"
#include "platform/api/user_store.h"
#include "platform/headless/headless_system.h"
#include "platform/headless/headless_user_store.h"
#include "payload/payload_settings.h"
#include "settings/saver_setting.h"
#include "support/temp_dir.h"

namespace kestro::testing {

// One item of a test payload.
struct TestItem {
  std::string key;        // the [zippos] name, as the settings file keys it
  std::string fileName;   // the name the item's archive holds it under
  std::string data;
  bool asIs = false;      // stored as the file itself ([notzip])
};

// A scratch folder as the user's temporary folder, headless system, user
// store and shell services, and helpers that make program files with or
// without a payload.
class SettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.tempFolder = dir_.Folder();
    sys_.systemFolder = dir_.Folder() + "system/";
    shell_.installFolders = {dir_.Folder() + "Screensaver Pro/", dir_.Folder() + "Screensaver/"};
    platform::InstallSystem(&sys_);
    platform::InstallUserStore(&store_);
    platform::InstallShell(&shell_);
    PayloadModuleStartup();
    std::filesystem::create_directories(dir_.Folder() + "prog");
    UsePlainProgram("Show.scr");
  }

  void TearDown() override {
    CleanTempFolders();
    ResetPayload();
    PayloadSettings() = TMemIniFile();
    SaverSetting = TSaverSetting{};
    platform::InstallSystem(nullptr);
    platform::InstallUserStore(nullptr);
    platform::InstallShell(nullptr);
  }

  std::string ProgFolder() const { return dir_.Folder() + "prog/"; }
  std::string KestroFolder() const { return dir_.Folder() + "Kestro/"; }

  // A program file without a payload (random bytes holding no marker).
  std::string UsePlainProgram(const std::string& name, const std::string& folder = std::string()) {
    const std::string at = folder.empty() ? ProgFolder() : folder;
    std::filesystem::create_directories(at);
    program_ = at + name;
    WriteFile(program_, RandomBytes(160000, 7));
    sys_.arguments = {program_};
    return program_;
  }

  // A program file carrying `settings` (plus the [zippos] and [notzip]
  // entries of `items`) and the items.
  std::string UsePayloadProgram(const std::string& name, const std::string& settings,
                                const std::vector<TestItem>& items = {},
                                const std::string& folder = std::string()) {
    const std::string at = folder.empty() ? ProgFolder() : folder;
    std::filesystem::create_directories(at);
    std::string image = RandomBytes(160000, 9);
    std::string zippos = "\r\n[zippos]\r\n";
    std::string notzip = "\r\n[notzip]\r\n";
    for (const TestItem& item : items) {
      const std::size_t start = image.size();
      image += item.asIs ? item.data : testzip::Build({{.name = item.fileName, .data = item.data}});
      zippos += item.key + "_1=" + std::to_string(start) + "\r\n";
      zippos += item.key + "_2=" + std::to_string(image.size()) + "\r\n";
      if (item.asIs) notzip += item.key + "=1\r\n";
    }
    const std::string settingsName = "Show.002";
    image += PayloadMarker() + settingsName + "**" +
             testzip::Build({{.name = settingsName, .data = settings + zippos + notzip}});
    program_ = at + name;
    WriteFile(program_, image);
    sys_.arguments = {program_};
    return program_;
  }

  // Start-up as the program runs it: find the payload, load the settings.
  void Start(std::uint8_t saverKind = 0) {
    LocatePayload();
    LoadAllSettings(saverKind);
  }

  // The end of one run: extracted files go, the payload is forgotten.
  void EndRun() {
    CleanTempFolders();
    ResetPayload();
    SaverSetting = TSaverSetting{};
  }

  std::string UserKey() const { return UserKeyPath(program_); }

  TempDir dir_;
  platform::HeadlessSystem sys_;
  platform::HeadlessUserStore store_;
  platform::HeadlessShell shell_;
  std::string program_;
};

}  // namespace kestro::testing
