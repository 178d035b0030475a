#pragma once

#include <span>
#include <variant>

#include "settings/saver_setting.h"

namespace kestro {

// One field of the settings record: its name, where it is stored, and the
// member that holds it.
using TSettingRef = std::variant<TSourceList TSaverSetting::*, bool TSaverSetting::*,
                                 std::uint8_t TSaverSetting::*, std::int32_t TSaverSetting::*,
                                 std::string TSaverSetting::*, TEffectSet TSaverSetting::*>;

struct TSettingField {
  const char* name;     // the record's field name
  const char* section;  // settings-file section; nullptr for a derived value
  const char* key;      // key within the section; nullptr for a list (the section is the list)
  TSettingRef ref;
};

// Every field of the record, in the record's order.
std::span<const TSettingField> SettingFields();
// The field of that name (nullptr when there is none).
const TSettingField* FindSettingField(std::string_view name);

}  // namespace kestro
