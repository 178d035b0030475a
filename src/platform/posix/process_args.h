#pragma once

#include <string>
#include <vector>

namespace kestro::platform {

// The arguments the process was started with, as the kernel recorded them.
const std::vector<std::string>& ProcessArguments();

}  // namespace kestro::platform
