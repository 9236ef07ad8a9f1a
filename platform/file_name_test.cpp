#include "platform/file_name.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(FileNamePartTest, TakesWhatFollowsTheLastSeparatorOfEitherKind) {
  const struct {
    const wchar_t* path;
    const wchar_t* name;
  } kCases[] = {
      {L"", L""},
      {L"setup.exe", L"setup.exe"},
      {L"C:\\dl\\setup.beta.exe", L"setup.beta.exe"},
      {L"/opt/kelvane_down/setup", L"setup"},
      {L"C:/mixed\\sep/log.cpp", L"log.cpp"},
      {L"folder/", L""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FileNamePart(std::wstring(c.path)), c.name) << c.path;
    const std::wstring path = c.path;
    const std::wstring name = c.name;
    EXPECT_EQ(FileNamePart(std::string(path.begin(), path.end())),
              std::string(name.begin(), name.end()));
  }
}

}  // namespace
}  // namespace platform
