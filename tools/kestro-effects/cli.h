#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kestro::effects_tool {

// Runs kestro-effects' command line (the arguments after the program name);
// returns the exit status: 0 done, 1 failed, 2 not understood.
int RunKestroEffects(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestro::effects_tool
