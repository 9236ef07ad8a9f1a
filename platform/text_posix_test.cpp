#include <gtest/gtest.h>

#include "platform/text.h"

namespace platform {
namespace {

TEST(TextTest, NarrowTextIsUtf8OnLinux) {
  EXPECT_EQ(WideToNarrow(L"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(NarrowToWide("\xC3\xA9"), L"\u00E9");
  EXPECT_EQ(WideToLogEncoding(L"\uFF1A"), "\xEF\xBC\x9A");
}

}  // namespace
}  // namespace platform
