#include "khttp/request_options.h"

#include <algorithm>

#include "khttp/ascii.h"

namespace khttp {

void RequestOptions::Insert(const std::string& name, const std::string& value) {
  options_.emplace_back(name, value);
}

bool RequestOptions::Find(const std::string& name, std::string& value) const {
  for (const auto& option : options_) {
    if (EqualsIgnoringCase(option.first, name)) {
      value = option.second;
      return true;
    }
  }
  return false;
}

void RequestOptions::Remove(const std::string& name) {
  const auto found = std::find_if(options_.begin(), options_.end(),
                                  [&](const Option& option) { return option.first == name; });
  if (found != options_.end()) options_.erase(found);
}

}  // namespace khttp
