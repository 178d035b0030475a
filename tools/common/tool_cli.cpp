#include "tool_cli.h"

namespace kestro::toolcli {

bool TakeOption(const std::vector<std::string>& args, std::size_t& i, std::string_view name, std::string& value) {
  const std::string& arg = args[i];
  if (arg == name) {
    if (i + 1 >= args.size()) throw EUsageError(std::string(name) + " needs a value");
    value = args[++i];
    return true;
  }
  if (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  return false;
}

}  // namespace kestro::toolcli
