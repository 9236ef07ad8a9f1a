#include <winsock2.h>
// winsock2.h before windows.h, which would bring the old winsock.h otherwise.
#include <windows.h>
#include <ws2tcpip.h>

#include <cstdlib>

#include "platform/text.h"
#include "tests/support/child_process.h"

namespace kvtest {
namespace {

// One argument as the C runtime's parser reads it back: quoted when it holds blanks or quotes,
// backslashes doubled before a quote.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

HANDLE OpenOutput(const std::filesystem::path& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path.empty() ? L"NUL" : path.wstring().c_str(), GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool StartWinsock() {
  static const bool started = [] {
    WSADATA data{};
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

HANDLE Handle(long value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }

}  // namespace

// On Windows pid_ holds the process handle and pid() its id.
ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& out,
                           const std::filesystem::path& err) {
  if (argv.empty()) return;
  std::wstring line;
  for (const std::string& argument : argv) {
    if (!line.empty()) line += L' ';
    line += Quoted(platform::Utf8ToWide(argument));
  }
  std::vector<wchar_t> writable(line.begin(), line.end());
  writable.push_back(L'\0');
  const std::wstring program = platform::Utf8ToWide(argv[0]);
  const bool has_folder = program.find_first_of(L"\\/") != std::wstring::npos;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  HANDLE output = OpenOutput(out);
  HANDLE error = OpenOutput(err);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = error;
  PROCESS_INFORMATION started{};
  if (CreateProcessW(has_folder ? program.c_str() : nullptr, writable.data(), nullptr, nullptr,
                     TRUE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started)) {
    CloseHandle(started.hThread);
    pid_ = static_cast<long>(reinterpret_cast<intptr_t>(started.hProcess));
    process_id_ = static_cast<long>(started.dwProcessId);
  }
  for (HANDLE handle : {input, output, error}) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
}

ChildProcess::~ChildProcess() { Stop(); }

long ChildProcess::pid() const { return pid_ > 0 ? process_id_ : -1; }

int ChildProcess::Wait() {
  if (pid_ <= 0) return status_;
  WaitForSingleObject(Handle(pid_), INFINITE);
  DWORD code = 0;
  status_ = GetExitCodeProcess(Handle(pid_), &code) ? static_cast<int>(code) : -1;
  CloseHandle(Handle(pid_));
  pid_ = -1;
  return status_;
}

void ChildProcess::Stop() {
  if (pid_ <= 0) return;
  if (WaitForSingleObject(Handle(pid_), 0) == WAIT_TIMEOUT) TerminateProcess(Handle(pid_), 1);
  Wait();
}

void ChildProcess::Interrupt() {
  // A group of its own gets Ctrl-Break alone (Ctrl-C is off in a new group); console programs
  // take both as the user's request to stop.
  if (pid_ > 0) GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(process_id_));
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  TerminateProcess(Handle(pid_), 1);
  Wait();
}

int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& out,
               const std::filesystem::path& err) {
  ChildProcess child(argv, out, err);
  return child.Wait();
}

void SetEnvironment(const std::string& name, const std::string& value) {
  const std::wstring wide_name = platform::Utf8ToWide(name);
  const std::wstring wide_value = platform::Utf8ToWide(value);
  _wputenv_s(wide_name.c_str(), wide_value.c_str());
  SetEnvironmentVariableW(wide_name.c_str(), value.empty() ? nullptr : wide_value.c_str());
}

const bool kOnWindows = true;

std::string UserTag() {
  const char* user = std::getenv("USERNAME");
  return user ? user : "user";
}

std::vector<std::string> ProgramArguments(int, char**) {
  const std::wstring line = GetCommandLineW();
  size_t i = 0;
  // The program's own name: quoted, or up to the first blank.
  if (i < line.size() && line[i] == L'"') {
    const auto close = line.find(L'"', 1);
    i = close == std::wstring::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t') ++i;
  }
  std::vector<std::string> arguments;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == L' ' || line[i] == L'\t')) ++i;
    if (i >= line.size()) break;
    std::wstring argument;
    bool quoted = false;
    for (; i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t')); ++i) {
      if (line[i] == L'"') {
        quoted = !quoted;
      } else {
        argument.push_back(line[i]);
      }
    }
    arguments.push_back(platform::WideToUtf8(argument));
  }
  return arguments;
}

std::filesystem::path ChildHelperPath() { return std::filesystem::u8path(KV_CHILD_HELPER); }

int FreePort() {
  if (!StartWinsock()) return -1;
  const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  int size = sizeof(address);
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  closesocket(fd);
  return port;
}

bool WaitForPort(int port) {
  if (!StartWinsock()) return false;
  for (int attempt = 0; attempt < 250; ++attempt) {
    const SOCKET fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(port);
    const bool up = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    closesocket(fd);
    if (up) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace kvtest
