#pragma once

#include <string>

#include "settings/saver_setting.h"

namespace kestro {

// The record as text, one field a line in the record's order: "Field=value",
// booleans 1 or 0, EnabledEffects as its ascending comma list, line breaks
// inside a text shown as "\n"; a list as a line with its field name followed
// by one line per entry, indented by two blanks.
std::string FormatSaverSetting(const TSaverSetting& record);

}  // namespace kestro
