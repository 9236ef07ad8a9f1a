// Finding, ending and starting processes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

using ProcessId = std::int64_t;

/// The first running process whose executable file name equals `image_name` exactly (case
/// counts), such as "Wayvo.exe"; nothing when none runs or the list cannot be read.
std::optional<ProcessId> FindProcessByImageName(const std::wstring& image_name);

/// Ends the process at once. True when the process could be reached (it may end on its own at the
/// same moment); false when it is gone. Windows counts a process that has ended as gone even while
/// a handle still holds it.
bool TerminateProcessById(ProcessId process_id);

/// Starts `program` with `arguments`, one argument each (the program's own path is not among
/// them), and waits until it has ended. Linux sets the file's execute bits first. On Windows an
/// argument "/name=value" is passed as /name="value", the form installers parse. False when the
/// program could not be started.
bool RunAndWait(const std::wstring& program, const std::vector<std::wstring>& arguments);

/// Who a started program runs as.
enum class RunAs {
  kThisProcess,   // with this process's rights (elevated when it is)
  kInvokingUser,  // the user who started an elevated process, without the elevation
};

/// Starts `program` with `arguments` and does not wait. Linux: kInvokingUser drops to the user
/// named by SUDO_UID or PKEXEC_UID when the process runs as root. Windows: kInvokingUser starts it
/// as the desktop's interactive user when the process is elevated (through the task scheduler's
/// WdcRunTaskAsInteractiveUser, else with the shell's token). False when it did not start.
bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                  RunAs run_as);

/// Opens a web address (or file) with the desktop's default handler, never through a shell.
/// When the process is elevated the handler runs as the invoking user.
bool OpenWithDefaultHandler(const std::wstring& target);

}  // namespace platform
