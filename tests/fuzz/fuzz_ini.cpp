// Loads every input as a settings file, reads it the way start-up does,
// writes the record back into it and checks that the text survives: every
// line the writing did not touch must come back byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "payload/mem_ini_file.h"
#include "settings/saver_setting.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  kestro::TMemIniFile ini;
  ini.LoadFromText(text);
  Check(ini.ToText() == text);

  // Every key listed can be read, and reads as the same text twice.
  for (const std::string& section : ini.ReadSections()) {
    Check(ini.SectionExists(section));
    for (const std::string& key : ini.ReadSection(section)) {
      const auto value = ini.Find(section, key);
      Check(value.has_value());
      Check(ini.ReadString(section, key, "") == *value);
      ini.ReadInteger(section, key, 0);
    }
  }

  kestro::TSaverSetting record;
  kestro::ReadSettingsRecord(ini, "/install/", record);
  kestro::ParseEffectList(ini.ReadString("Set", "useeffects", ""));

  // Write-back: written values read back as written, and reloading the
  // result gives the same store.
  kestro::WriteSettingsRecord(record, ini);
  const std::string written = ini.ToText();
  kestro::TMemIniFile again;
  again.LoadFromText(written);
  Check(again.ToText() == written);
  kestro::TSaverSetting reread;
  kestro::ReadSettingsRecord(again, "/install/", reread);
  Check(reread.ImageInterval == record.ImageInterval);
  Check(reread.ScrName == record.ScrName);
  Check(reread.CaptionFontName == record.CaptionFontName);
  Check(reread.CaptionPosition == record.CaptionPosition);
  Check(reread.BackgroundColor == record.BackgroundColor);
  return 0;
}
