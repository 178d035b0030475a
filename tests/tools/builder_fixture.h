#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imaging/test_pictures.h"
#include "payload/payload.h"
#include "payload_writer.h"
#include "platform/headless/headless_system.h"
#include "payload/mem_ini_file.h"
#include "payload/payload_settings.h"
#include "support/temp_dir.h"

namespace kestro::builder {

// A fake runtime, a few inputs, and TempRoot and the temporary folder pointed
// into a test folder of their own.
class BuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.tempFolder = dir_.Folder() + "tmp/";
    std::filesystem::create_directories(sys_.tempFolder);
    platform::InstallSystem(&sys_);
    savedTempRoot_ = TempRoot;
    TempRoot = dir_.Folder() + "root/";
    std::filesystem::create_directories(TempRoot);

    runtime_ = dir_.File("runtime.exe");
    runtimeBytes_ = testing::RandomBytes(300000, 7);
    ASSERT_EQ(runtimeBytes_.find(PayloadMarker()), std::string::npos);
    testing::WriteFile(runtime_, runtimeBytes_);
    std::filesystem::create_directories(dir_.path() / "in");
    // Pictures the runtime decodes: the builder checks every one.
    picture_ = Input("a.jpg", JpegOf(testing::Gradient(64, 48)));
    equals_ = Input("b=c.jpg", JpegOf(testing::Gradient(33, 17)));
    music_ = Input("song.mp3", testing::RandomBytes(30000, 2));
    library_ = Input("MPEGDLL.DLL", "MZ" + std::string(3000, '\0'));
    ini_ = Input("base.ini", "; kept as it is\r\n[Set]\r\nImageInterval = 5\r\n\r\n[Caption]\r\nText=hello\r\n");
  }
  void TearDown() override {
    ResetPayload();
    PayloadSettings() = TMemIniFile();
    TempRoot = savedTempRoot_;
    platform::InstallSystem(nullptr);
  }

  static std::string JpegOf(const testing::Rgba& picture) {
    const testing::Bytes bytes = testing::MakeJpeg(picture, testing::JpegOptions{});
    return std::string(bytes.begin(), bytes.end());
  }

  std::string Input(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_.path() / "in" / name).string();
    testing::WriteFile(path, bytes);
    return path;
  }

  // Every kind of item: pictures (one named with "="), music stored as-is,
  // a file in no list, a settings file to start from and two --set values.
  BuildOptions FullOptions(const std::string& out = "out.scr") const {
    BuildOptions o;
    o.runtime = runtime_;
    o.out = dir_.File(out);
    o.title = "My Show";
    o.items = {{ItemKind::kPicture, picture_}, {ItemKind::kPicture, equals_},
               {ItemKind::kMusic, music_}, {ItemKind::kFile, library_}};
    o.storeAsIs = {"song.mp3"};
    o.settings = ini_;
    o.sets = {"Set.ImageInterval=8", "Caption.Font.Name=Arial=Bold"};
    return o;
  }

  BuildOptions Minimal(const std::string& out = "out.scr") const {
    BuildOptions o;
    o.runtime = runtime_;
    o.out = dir_.File(out);
    o.title = "T";
    o.items = {{ItemKind::kPicture, picture_}};
    return o;
  }

  testing::TempDir dir_;
  platform::HeadlessSystem sys_;
  std::string savedTempRoot_;
  std::string runtime_, runtimeBytes_;
  std::string picture_, equals_, music_, library_, ini_;
};

}  // namespace kestro::builder
