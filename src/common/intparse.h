#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestro {

// The integer grammar of the command line and of effect lists: leading
// blanks, an optional sign, then decimal digits or "$" and hexadecimal
// digits; nothing may follow. Decimal values must fit 32 signed bits;
// hexadecimal values up to $FFFFFFFF wrap into the signed range.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// The grammar of settings-file integers: as above, and a value written with
// a "0x" (or "0X") prefix is hexadecimal. Anything else counts as absent.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

}  // namespace kestro
