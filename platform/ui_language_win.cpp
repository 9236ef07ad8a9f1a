#include <windows.h>

#include "platform/ui_language.h"

namespace platform {

static_assert(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US) == 1033, "en-US");
static_assert(MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA) == 1025, "ar-SA");
static_assert(MAKELANGID(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN) == 1046, "pt-BR");
static_assert(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED) == 2052, "zh-CN");

unsigned GetUserUILanguageId() { return GetUserDefaultUILanguage(); }

}  // namespace platform
