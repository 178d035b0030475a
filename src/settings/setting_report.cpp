#include "settings/setting_report.h"

#include "settings/setting_fields.h"

namespace kestro {

namespace {

std::string OneLineText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (text[i] == '\n') {
      out += "\\n";
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace

std::string FormatSaverSetting(const TSaverSetting& record) {
  std::string out;
  for (const TSettingField& field : SettingFields()) {
    std::visit(
        [&](auto member) {
          const auto& value = record.*member;
          using T = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<T, TSourceList>) {
            out += std::string(field.name) + "\n";
            for (const std::string& entry : value) out += "  " + OneLineText(entry) + "\n";
            return;
          } else {
            out += std::string(field.name) + "=";
            if constexpr (std::is_same_v<T, bool>) {
              out += value ? "1" : "0";
            } else if constexpr (std::is_same_v<T, std::uint8_t> || std::is_same_v<T, std::int32_t>) {
              out += std::to_string(value);
            } else if constexpr (std::is_same_v<T, std::string>) {
              out += OneLineText(value);
            } else {
              out += FormatEffectList(value);
            }
            out += "\n";
          }
        },
        field.ref);
  }
  return out;
}

}  // namespace kestro
