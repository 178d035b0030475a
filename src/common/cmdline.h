#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestro {

// Splits a command line the way Windows programs read their arguments:
// blanks (any character up to the space) separate arguments, double quotes
// group blanks into an argument and are removed, and a pair of quotes before
// an argument is skipped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace kestro
