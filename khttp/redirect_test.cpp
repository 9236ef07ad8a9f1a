#include "khttp/redirect.h"

#include <gtest/gtest.h>

namespace khttp {
namespace {

TEST(ResolveLocation, RelativeAndAbsoluteLocations) {
  struct Case {
    const char* base;
    const char* location;
    const char* resolved;
  };
  const Case kCases[] = {
      {"http://h.example/dir/file", "next.bin", "http://h.example/dir/next.bin"},
      {"http://h.example/dir/file", "/root", "http://h.example/root"},  // replaces the path
      {"http://h.example/dir/file?q=a/b#f", "next.bin", "http://h.example/dir/next.bin"},
      {"http://h.example/dir/", "sub/x?y=1", "http://h.example/dir/sub/x?y=1"},
      {"http://h.example", "x", "http://h.example/x"},
      {"http://u:p@h.example:81/a/b", "/c", "http://u:p@h.example:81/c"},
      {"http://[::1]:81/a/b", "c", "http://[::1]:81/a/c"},
      {"https://h.example/a", "//cdn.example/f", "https://cdn.example/f"},
      {"http://h.example/a", "https://other.example/b", "https://other.example/b"},
      {"http://h.example/a", "HTTP://Other.example/b", "HTTP://Other.example/b"},
      {"http://h.example/a", "/go?to=http://x.example/",
       "http://h.example/go?to=http://x.example/"},
      {"http://h.example/a", "ftp://f.example/x", "ftp://f.example/x"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.base) + " + " + c.location);
    EXPECT_EQ(ResolveLocation(ParsedUrl(c.base), c.location), c.resolved);
  }
}

}  // namespace
}  // namespace khttp
