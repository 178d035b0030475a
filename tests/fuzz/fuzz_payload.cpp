// Takes every input as a screensaver program file: locates its payload,
// unpacks the settings archive, and fetches every item its offsets name.
// Any crash, sanitizer report, or file appearing outside the extraction
// folders is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "common/error.h"
#include "payload/payload.h"
#include "platform/headless/headless_system.h"
#include "payload/payload_settings.h"

namespace {

namespace fs = std::filesystem;

struct FuzzFolders {
  fs::path root;
  fs::path program;
  kestro::platform::HeadlessSystem system;

  FuzzFolders() {
    root = fs::temp_directory_path() / ("kestro_fuzz_payload_" + std::to_string(std::random_device{}()));
    fs::create_directories(root / "system");
    program = root / "saver.scr";
    system.tempFolder = root.string() + "/";
    system.systemFolder = (root / "system").string() + "/";
    kestro::platform::InstallSystem(&system);
    kestro::PayloadModuleStartup();
  }
  ~FuzzFolders() {
    kestro::ResetPayload();
    kestro::platform::InstallSystem(nullptr);
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

FuzzFolders& Folders() {
  static FuzzFolders folders;
  return folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzFolders& f = Folders();
  {
    std::ofstream file(f.program, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    kestro::LocatePayloadIn(f.program.string());
    kestro::PayloadSettings() =
        kestro::SettingsFile.empty() ? kestro::TMemIniFile() : kestro::TMemIniFile(kestro::SettingsFile);
    for (const std::string& key : kestro::PayloadSettings().ReadSection("zippos")) {
      if (key.size() < 3 || key.compare(key.size() - 2, 2, "_1") != 0) continue;
      std::string path = key.substr(0, key.size() - 2);
      kestro::FetchPayloadFile(path, path);
    }
    kestro::ExtractDecoderLibrary();
  } catch (const kestro::Exception&) {
  }
  kestro::CleanTempFolders();
  kestro::ResetPayload();
  f.system.messages.clear();

  // Only the program file, the extraction folder and the system folder may
  // exist beside each other; nothing may appear anywhere else.
  for (const auto& item : fs::directory_iterator(f.root)) {
    const std::string name = item.path().filename().string();
    if (name != "saver.scr" && name != "Kestro" && name != "system") std::abort();
  }
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(f.root / "system", ec)) fs::remove_all(item.path(), ec);
  return 0;
}
