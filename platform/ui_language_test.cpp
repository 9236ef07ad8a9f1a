#include "platform/ui_language.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(UILanguageTest, LocalesMapToWindowsLanguageIds) {
  const struct {
    const char* locale;
    unsigned langid;
  } cases[] = {
      {"en_US.UTF-8", 1033},
      {"en_GB.UTF-8", 2057},
      {"fr_FR.UTF-8", 1036},
      {"fr_CA", 3084},
      {"de_DE.UTF-8@euro", 1031},
      {"de_AT", 3079},
      {"ar_SA.UTF-8", 1025},
      {"ar_EG", 3073},
      {"pt_BR.UTF-8", 1046},
      {"pt_PT", 2070},
      {"zh_TW.UTF-8", 1028},
      {"zh_CN", 2052},
      {"zh_HK", 3076},
      {"es_ES", 3082},
      {"es_MX", 2058},
      {"ja_JP.eucJP", 1041},
      {"ko_KR", 1042},
      {"th_TH", 1054},
      {"id_ID", 1057},
      {"ms_MY", 1086},
      {"sv_SE", 1053},
      {"pl_PL", 1045},
      {"ru_RU", 1049},
      {"nl_NL", 1043},
      {"it_IT", 1040},
      {"fr", 1036},
      {"es", 3082},
      {"zh", 2052},     // a language alone: its main country
      {"fr_XX", 1036},  // an unknown region: the language's first
      {"C", 1033},
      {"POSIX", 1033},
      {"C.UTF-8", 1033},
      {"", 1033},
      {"xx_YY", 1033},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageIdForLocale(c.locale), c.langid) << c.locale;
}

}  // namespace
}  // namespace platform
