// Base64 with the standard alphabet and "=" padding, for Basic credentials.
#pragma once

#include <string>

namespace khttp {

std::string Base64Encode(const std::string& bytes);

}  // namespace khttp
