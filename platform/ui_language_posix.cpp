#include <cstdlib>

#include "platform/ui_language.h"

namespace platform {

unsigned GetUserUILanguageId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return LanguageIdForLocale(value);
  }
  return LanguageIdForLocale("C");
}

}  // namespace platform
