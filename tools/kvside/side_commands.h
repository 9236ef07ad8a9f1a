// kvside's subcommands: each runs the installer's own code for one side request.
#pragma once

#include <string>
#include <vector>

namespace kvside {

/// The outcome of a subcommand: lines for standard output, and on failure one line naming it.
struct result {
  std::vector<std::string> lines;
  std::string failure;  // empty on success
};

result Size(const std::string& url);
result Redirect(const std::string& url);
result Banners(const std::string& api_url, const std::string& folder);
result Event(const std::string& collect_url, const std::string& event_name,
             const std::string& title);

}  // namespace kvside
