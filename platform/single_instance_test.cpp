#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/support/eventually.h"

namespace {

std::wstring UniqueName(const char* what) {
  return L"kelvane test " + std::to_wstring(::testing::UnitTest::GetInstance()->random_seed()) +
         L" " + std::wstring(what, what + std::char_traits<char>::length(what));
}

TEST(SingleInstanceTest, ALaterClaimAsksTheFirstToRaiseItsWindow) {
  const std::wstring name = UniqueName("raise");
  std::atomic<int> raised{0};
  auto first = platform::ClaimSingleInstance(name, [&] { ++raised; });
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::ClaimSingleInstance(name, nullptr), nullptr);
  EXPECT_EQ(raised.load(), 1);  // the later claim waits for the answer
  EXPECT_EQ(platform::ClaimSingleInstance(name, nullptr), nullptr);
  EXPECT_EQ(raised.load(), 2);

  // Another name is another setup.
  auto other = platform::ClaimSingleInstance(UniqueName("other"), nullptr);
  EXPECT_NE(other, nullptr);

  // Given up, the name is free again.
  first.reset();
  std::unique_ptr<platform::SingleInstanceClaim> again;
  EXPECT_TRUE(kvtest::Eventually([&] {
    again = platform::ClaimSingleInstance(name, nullptr);
    return again != nullptr;
  }));
}

}  // namespace
