#include "platform/standard_streams.h"

namespace platform {

void UseBinaryStandardOutput() {}  // bytes pass unchanged already

}  // namespace platform
