#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"

namespace kestro::toolcli {

// A command line the tool does not understand.
KESTRO_DECLARE_ERROR(EUsageError);

// True when args[i] is the option `name`, given as "--name VALUE" (then i
// moves on to the value) or "--name=VALUE"; `value` receives the value.
// Throws EUsageError when "--name" is the last argument.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, std::string_view name, std::string& value);

}  // namespace kestro::toolcli
