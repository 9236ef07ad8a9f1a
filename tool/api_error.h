// The log record of a failed system call of the side requests.
#pragma once

#include "platform/side_http.h"

/// Logs "[Thread][id] [context]call API fail CODE, TEXT" (without a context: "[Thread][id] call
/// API fail CODE, TEXT"), TEXT being what `module` holds for the code (empty when nothing).
void ShowApiError(const char* api_name, int error_code, platform::MessageModule module,
                  const char* context);
