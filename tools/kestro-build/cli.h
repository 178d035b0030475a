#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kestro::builder {

// Runs the builder's command line (the arguments after the program name);
// returns the exit status: 0 done, 1 failed, 2 not understood.
int RunKestroBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace kestro::builder
