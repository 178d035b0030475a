#include "platform/api/dialog.h"

namespace kestro::platform {

std::string CaptionWithoutMnemonics(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;  // "&x" shows x, "&&" shows "&"
    shown.push_back(text[i]);
  }
  return shown;
}

std::optional<std::size_t> ColorItemIndex(const std::vector<ColorItem>& items, std::uint32_t color) {
  std::optional<std::size_t> custom;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].custom) {
      if (!custom) custom = i;
    } else if (items[i].color == color) {
      return i;
    }
  }
  return custom;
}

}  // namespace kestro::platform
