// The program's standard streams as byte streams.
#pragma once

namespace platform {

/// Makes standard output carry bytes as they are written. Windows starts it in text mode, which
/// turns every line feed into CR LF and so corrupts a binary body written to it; Linux has no
/// text mode. Call it before the first write.
void UseBinaryStandardOutput();

}  // namespace platform
