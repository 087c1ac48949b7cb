#include <iostream>
#include <string_view>

#include "commands.h"
#include "plugin.h"

namespace zelvar_host {

int Keys(const std::optional<std::string>& plugin_path) {
  const Plugin plugin(PluginPath(plugin_path));
  std::string_view keys = plugin.AttributeKeys();
  while (!keys.empty()) {
    const size_t comma = keys.find(',');
    std::cout << keys.substr(0, comma) << '\n';
    keys.remove_prefix(comma == std::string_view::npos ? keys.size() : comma + 1);
  }
  return 0;
}

}  // namespace zelvar_host
