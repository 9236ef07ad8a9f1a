#include "tool/api_error.h"

#include "log/log.h"
#include "platform/thread_id.h"

void ShowApiError(const char* api_name, int error_code, platform::MessageModule module,
                  const char* context) {
  // The message buffer of the system holds at most 260 bytes.
  std::string text = platform::ModuleMessageText(module, error_code);
  if (text.size() > 259) text.resize(259);
  const auto thread = static_cast<int>(platform::CurrentThreadId());
  const char* api = api_name != nullptr ? api_name : "";
  if (context != nullptr) {
    LogA("ShowApiError", "stdafx", 28, kLogInfo, "[Thread][%d] [%s]call %s fail %d, %s\n", thread,
         context, api, error_code, text.c_str());
  } else {
    LogA("ShowApiError", "stdafx", 24, kLogInfo, "[Thread][%d] call %s fail %d, %s\n", thread, api,
         error_code, text.c_str());
  }
}
