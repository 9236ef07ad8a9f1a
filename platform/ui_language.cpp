#include "platform/ui_language.h"

#include <cstring>

namespace platform {
namespace {

struct LocaleId {
  const char* locale;  // language_REGION, or the language alone
  unsigned langid;
};

// The Windows language identifiers of the languages the installer speaks, their usual regional
// variants and a few other common languages. For a language given without a region, the first
// row of that language counts.
constexpr LocaleId kLocaleIds[] = {
    {"en_US", 1033},  {"en_GB", 2057},  {"en_AU", 3081},  {"en_CA", 4105},  {"en_NZ", 5129},
    {"en_IE", 6153},  {"en_ZA", 7177},  {"en_PH", 13321}, {"en_IN", 16393}, {"en_SG", 18441},
    {"zh_CN", 2052},  {"zh_TW", 1028},  {"zh_HK", 3076},  {"zh_SG", 4100},  {"zh_MO", 5124},
    {"nl_NL", 1043},  {"nl_BE", 2067},  {"fr_FR", 1036},  {"fr_BE", 2060},  {"fr_CA", 3084},
    {"fr_CH", 4108},  {"fr_LU", 5132},  {"fr_MC", 6156},  {"de_DE", 1031},  {"de_CH", 2055},
    {"de_AT", 3079},  {"de_LU", 4103},  {"de_LI", 5127},  {"it_IT", 1040},  {"it_CH", 2064},
    {"ja_JP", 1041},  {"es_ES", 3082},  {"es_MX", 2058},  {"es_GT", 4106},  {"es_CR", 5130},
    {"es_PA", 6154},  {"es_DO", 7178},  {"es_VE", 8202},  {"es_CO", 9226},  {"es_PE", 10250},
    {"es_AR", 11274}, {"es_EC", 12298}, {"es_CL", 13322}, {"es_UY", 14346}, {"es_PY", 15370},
    {"es_BO", 16394}, {"es_SV", 17418}, {"es_HN", 18442}, {"es_NI", 19466}, {"es_PR", 20490},
    {"es_US", 21514}, {"pt_PT", 2070},  {"pt_BR", 1046},  {"ko_KR", 1042},  {"ar_SA", 1025},
    {"ar_IQ", 2049},  {"ar_EG", 3073},  {"ar_LY", 4097},  {"ar_DZ", 5121},  {"ar_MA", 6145},
    {"ar_TN", 7169},  {"ar_OM", 8193},  {"ar_YE", 9217},  {"ar_SY", 10241}, {"ar_JO", 11265},
    {"ar_LB", 12289}, {"ar_KW", 13313}, {"ar_AE", 14337}, {"ar_BH", 15361}, {"ar_QA", 16385},
    {"th_TH", 1054},  {"id_ID", 1057},  {"ms_MY", 1086},  {"ms_BN", 2110},  {"sv_SE", 1053},
    {"sv_FI", 2077},  {"pl_PL", 1045},  {"ru_RU", 1049},  {"ru_MD", 2073},  {"tr_TR", 1055},
    {"uk_UA", 1058},  {"cs_CZ", 1029},  {"hu_HU", 1038},  {"el_GR", 1032},  {"he_IL", 1037},
    {"vi_VN", 1066},  {"da_DK", 1030},  {"fi_FI", 1035},  {"nb_NO", 1044},  {"ro_RO", 1048},
};

constexpr unsigned kEnglishUS = 1033;

}  // namespace

unsigned LanguageIdForLocale(const std::string& locale) {
  // language[_REGION][.codeset][@modifier]
  const std::string name = locale.substr(0, locale.find_first_of(".@"));
  const std::string language = name.substr(0, name.find('_'));
  if (language.empty() || name == "C" || name == "POSIX") return kEnglishUS;
  for (const LocaleId& row : kLocaleIds) {
    if (name == row.locale) return row.langid;
  }
  for (const LocaleId& row : kLocaleIds) {
    const char* underscore = std::strchr(row.locale, '_');
    if (language.size() == static_cast<size_t>(underscore - row.locale) &&
        language.compare(0, language.size(), row.locale, language.size()) == 0) {
      return row.langid;
    }
  }
  return kEnglishUS;
}

}  // namespace platform
