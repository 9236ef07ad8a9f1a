#include <gtest/gtest.h>

#include "platform/text.h"

namespace platform {
namespace {

// Wine's default code pages are those of a Western Windows: 1252 (ANSI) and 437 (OEM).
TEST(TextTest, NarrowTextIsTheAnsiCodePageOnWindows) {
  EXPECT_EQ(WideToNarrow(L"caf\u00E9"), "caf\xE9");
  EXPECT_EQ(NarrowToWide("caf\xE9"), L"caf\u00E9");
  EXPECT_EQ(WideToLogEncoding(L"caf\u00E9"), "caf\x82");  // OEM 437
}

}  // namespace
}  // namespace platform
