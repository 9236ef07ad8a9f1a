#include "common/domain_code.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

using kvtest::ReadFile;
using kvtest::TempFolder;

TEST(DomainCodeTest, CodeFromResourceBytes) {
  const struct {
    std::string bytes;
    std::wstring code;
    std::string raw;
  } cases[] = {
      {"com_fr\r\n", L"com_fr", "com_fr\r\n"},
      {"abc", L"abc", "abc"},
      {"a\r\nb\r\n", L"ab", "a\r\nb\r\n"},
      {"a\rb\nc", L"a\rb\nc", "a\rb\nc"},  // only whole CR LF pairs go
      {std::string("ab\0cd", 5), L"ab", "ab"},
      {std::string(300, 'x'), std::wstring(254, L'x'), std::string(254, 'x')},
      {"", L"", ""},
  };
  for (const auto& c : cases) {
    std::string raw = "stale";
    EXPECT_EQ(DomainCodeFromBytes(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                  c.bytes.size(), raw),
              c.code);
    EXPECT_EQ(raw, c.raw);
  }
  std::string raw = "stale";
  EXPECT_EQ(DomainCodeFromBytes(nullptr, 0, raw), L"");
  EXPECT_EQ(raw, "");
}

TEST(DomainCodeTest, DomainFileHoldsTheBareCode) {
  TempFolder folder;
  const std::wstring product = folder.Wide() + L"/";
  folder.Write("domain", "old content that is longer");
  EXPECT_TRUE(WriteDomainFile(product, L"com_fr"));
  EXPECT_EQ(ReadFile(folder.path() / "domain"), "com_fr");

  TempFolder empty;
  EXPECT_TRUE(WriteDomainFile(empty.Wide() + L"/", L""));
  EXPECT_FALSE(std::filesystem::exists(empty.path() / "domain"));
  EXPECT_FALSE(WriteDomainFile(folder.Wide("missing") + L"/", L"com_fr"));
}

}  // namespace
