// Builds ZIP archives for tests, with whatever entry names a test needs (hostile ones too).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvtest {

/// One entry: a name ending in "/" is a folder entry; `content` is stored deflated.
struct ZipEntry {
  std::string name;
  std::string content;
};

/// The bytes of an archive holding `entries` in that order.
std::string BuildZip(const std::vector<ZipEntry>& entries);

}  // namespace kvtest
