#include <windows.h>
// windows.h first: the headers below build on it.
#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "platform/paths.h"
#include "platform/process.h"

namespace platform {
namespace {

static_assert(sizeof(DWORD) <= sizeof(ProcessId), "a process id fits");

// The access KillProcess has always asked for: terminate, create thread, VM operation, VM write
// and query information.
constexpr DWORD kKillAccess = PROCESS_TERMINATE | PROCESS_CREATE_THREAD | PROCESS_VM_OPERATION |
                              PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION;
static_assert(kKillAccess == 0x42B, "the access mask of KillProcess");

// "/name=value" becomes /name="value", the form installers parse (the value is taken as it is,
// a trailing backslash included); any other argument is quoted when it holds a blank.
std::wstring CommandLineArgument(const std::wstring& argument) {
  const auto equals = argument.find(L'=');
  if (!argument.empty() && argument[0] == L'/' && equals != std::wstring::npos) {
    return argument.substr(0, equals + 1) + L"\"" + argument.substr(equals + 1) + L"\"";
  }
  if (argument.empty() || argument.find_first_of(L" \t\"") != std::wstring::npos) {
    return L"\"" + argument + L"\"";
  }
  return argument;
}

// The program's own path in quotes, then each argument after a blank.
std::wstring CommandLineOf(const std::wstring& program,
                           const std::vector<std::wstring>& arguments) {
  std::wstring line = L"\"" + program + L"\"";
  for (const std::wstring& argument : arguments) line += L" " + CommandLineArgument(argument);
  return line;
}

bool Start(const std::wstring& program, const std::vector<std::wstring>& arguments,
           PROCESS_INFORMATION& started) {
  std::wstring line = CommandLineOf(program, arguments);
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  return CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started) != 0;
}

// Starts the program through the task scheduler as the interactive user, the way Windows' own
// elevated programs start things for the desktop's user. False when wdc.dll or its entry point is
// missing (before Windows 10, and under Wine) or refuses.
bool StartThroughTaskScheduler(const std::wstring& program,
                               const std::vector<std::wstring>& arguments) {
  // The DLL search is limited to the system folder at start-up, so this is Windows' own wdc.dll.
  HMODULE wdc = LoadLibraryW(L"wdc.dll");
  if (!wdc) return false;
  using RunTask = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  const auto run_task = reinterpret_cast<RunTask>(
      reinterpret_cast<void*>(GetProcAddress(wdc, "WdcRunTaskAsInteractiveUser")));
  constexpr DWORD kRunTaskFlags = 0x39;
  const std::wstring line = CommandLineOf(program, arguments);
  const bool started = run_task && SUCCEEDED(run_task(line.c_str(), nullptr, kRunTaskFlags));
  FreeLibrary(wdc);
  return started;
}

// Starts the program as the desktop's user (the shell's token) rather than with this elevated
// process's token. False when there is no shell to borrow the token from.
bool StartAsShellUser(const std::wstring& program, const std::vector<std::wstring>& arguments) {
  HWND shell = GetShellWindow();
  if (!shell) return false;
  DWORD shell_pid = 0;
  GetWindowThreadProcessId(shell, &shell_pid);
  HANDLE shell_process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shell_pid);
  if (!shell_process) return false;
  HANDLE shell_token = nullptr;
  HANDLE token = nullptr;
  bool started = false;
  if (OpenProcessToken(shell_process, TOKEN_DUPLICATE, &shell_token) &&
      DuplicateTokenEx(shell_token,
                       TOKEN_QUERY | TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT |
                           TOKEN_ADJUST_SESSIONID,
                       nullptr, SecurityImpersonation, TokenPrimary, &token)) {
    std::wstring line = CommandLineOf(program, arguments);
    std::vector<wchar_t> writable(line.begin(), line.end());
    writable.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessWithTokenW(token, 0, program.c_str(), writable.data(), 0, nullptr, nullptr,
                                &startup, &info)) {
      CloseHandle(info.hThread);
      CloseHandle(info.hProcess);
      started = true;
    }
  }
  if (token) CloseHandle(token);
  if (shell_token) CloseHandle(shell_token);
  CloseHandle(shell_process);
  return started;
}

}  // namespace

std::optional<ProcessId> FindProcessByImageName(const std::wstring& image_name) {
  if (image_name.empty()) return std::nullopt;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return std::nullopt;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  std::optional<ProcessId> found;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (lstrcmpW(entry.szExeFile, image_name.c_str()) == 0 && image_name == entry.szExeFile) {
      found = entry.th32ProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  return found;
}

bool TerminateProcessById(ProcessId process_id) {
  if (process_id <= 0 || process_id > MAXDWORD) return false;
  HANDLE process = OpenProcess(kKillAccess, FALSE, static_cast<DWORD>(process_id));
  if (!process) return false;
  // A process that has ended is not reached, even while something still holds it open.
  DWORD exit_code = 0;
  const bool running = GetExitCodeProcess(process, &exit_code) && exit_code == STILL_ACTIVE;
  if (running) TerminateProcess(process, 0);
  CloseHandle(process);
  return running;
}

bool RunAndWait(const std::wstring& program, const std::vector<std::wstring>& arguments) {
  PROCESS_INFORMATION started{};
  if (!Start(program, arguments, started)) return false;
  WaitForSingleObject(started.hProcess, INFINITE);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                  RunAs run_as) {
  // Without elevation, or when no way to drop it works, the program starts as this process does.
  if (run_as == RunAs::kInvokingUser && IsElevated() &&
      (StartThroughTaskScheduler(program, arguments) || StartAsShellUser(program, arguments))) {
    return true;
  }
  PROCESS_INFORMATION started{};
  if (!Start(program, arguments, started)) return false;
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return true;
}

bool OpenWithDefaultHandler(const std::wstring& target) {
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

}  // namespace platform
