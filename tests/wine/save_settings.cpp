// Test helper: saves settings the way the settings dialog does, for a given
// screensaver file. Loads its settings as start-up does, sets the fields
// named on the command line, then writes the settings file and, when the
// file carries a payload, the user's values.
// Usage: save_settings SAVER Field=value...
// Exit code 0 when saved, 1 on an error (printed), 2 on bad usage.

#include <cstdio>
#include <string>
#include <type_traits>

#include "common/error.h"
#include "common/intparse.h"
#include "payload/payload.h"
#include "platform/api/system.h"
#include "platform/headless/headless_system.h"
#include "settings/saver_setting.h"
#include "settings/setting_fields.h"

namespace {

bool SetField(kestro::TSaverSetting& record, const std::string& assignment) {
  const std::size_t eq = assignment.find('=');
  if (eq == std::string::npos) return false;
  const kestro::TSettingField* field = kestro::FindSettingField(assignment.substr(0, eq));
  if (field == nullptr) return false;
  const std::string text = assignment.substr(eq + 1);
  const auto number = kestro::ParseIniInteger(text);
  return std::visit(
      [&](auto member) {
        auto& value = record.*member;
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::string>) {
          value = text;
          return true;
        } else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::uint8_t> ||
                             std::is_same_v<T, std::int32_t>) {
          if (!number) return false;
          value = static_cast<T>(*number);
          return true;
        } else {
          return false;
        }
      },
      field->ref);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: save_settings SAVER Field=value...\n");
    return 2;
  }
  // The program's services, but with the screensaver file as the program.
  kestro::platform::HeadlessSystem system;
  system.arguments = {argv[1]};
  system.tempFolder = kestro::platform::Sys().TempFolder();
  system.systemFolder = kestro::platform::Sys().SystemFolder();
  kestro::platform::InstallSystem(&system);
  int code = 0;
  try {
    kestro::PayloadModuleStartup();
    kestro::LocatePayload();
    kestro::LoadAllSettings(0);
    for (int i = 2; i < argc; ++i) {
      if (!SetField(kestro::SaverSetting, argv[i])) {
        std::fprintf(stderr, "save_settings: cannot set %s\n", argv[i]);
        code = 2;
      }
    }
    if (code == 0) {
      kestro::WritePayloadSettings();
      if (kestro::PayloadFound) kestro::WriteUserSettings();
      std::printf("saved%s\n", kestro::PayloadFound ? " with a payload" : "");
    }
  } catch (const kestro::Exception& e) {
    std::fprintf(stderr, "save_settings: %s: %s\n", e.ClassName(), e.what());
    code = 1;
  }
  kestro::CleanTempFolders();
  kestro::ResetPayload();
  kestro::platform::InstallSystem(nullptr);
  return code;
}
