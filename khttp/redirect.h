// Where a redirect leads.
#pragma once

#include <string>

#include "khttp/parsed_url.h"

namespace khttp {

/// The absolute URL text that a Location value names, seen from `base`. An absolute URL
/// ("scheme:...") is taken as it is; "//host/path" keeps the scheme of `base`; "/path" replaces
/// the path, query and fragment of `base`; any other reference replaces what follows the last "/"
/// of the path of `base` (its query and fragment are dropped).
std::string ResolveLocation(const ParsedUrl& base, const std::string& location);

}  // namespace khttp
