// Linux derives the UI language from the locale variables.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ui_language.h"

namespace platform {
namespace {

class ScopedLocaleEnvironment {
 public:
  ScopedLocaleEnvironment(const char* all, const char* messages, const char* lang) {
    Set("LC_ALL", all);
    Set("LC_MESSAGES", messages);
    Set("LANG", lang);
  }
  ~ScopedLocaleEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value.empty())
        unsetenv(name.c_str());
      else
        setenv(name.c_str(), value.c_str(), 1);
    }
  }

 private:
  void Set(const char* name, const char* value) {
    const char* old = getenv(name);
    saved_.emplace_back(name, old ? old : "");
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST(UILanguagePosixTest, FirstNonEmptyVariableDecides) {
  {
    ScopedLocaleEnvironment environment("ja_JP.UTF-8", "fr_FR", "de_DE");
    EXPECT_EQ(GetUserUILanguageId(), 1041u);
  }
  {
    ScopedLocaleEnvironment environment("", "fr_FR", "de_DE");
    EXPECT_EQ(GetUserUILanguageId(), 1036u);
  }
  {
    ScopedLocaleEnvironment environment(nullptr, nullptr, "ru_RU.UTF-8");
    EXPECT_EQ(GetUserUILanguageId(), 1049u);
  }
  {
    ScopedLocaleEnvironment environment(nullptr, nullptr, nullptr);
    EXPECT_EQ(GetUserUILanguageId(), 1033u);
  }
}

}  // namespace
}  // namespace platform
