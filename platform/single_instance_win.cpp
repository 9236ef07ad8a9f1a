// The claim is a named mutex: the system drops it with the process that holds it, whatever way
// it ends. A later instance signals the first through a named request event and waits (a
// bounded time) for its answer event; it also restores and raises the window titled after the
// setup itself, so a first instance that no longer listens still comes to the front.
#include <windows.h>

#include <thread>

#include "platform/single_instance.h"

namespace platform {
namespace {

constexpr DWORD kAnswerTimeoutMs = 3000;

// Kernel object names may not hold a backslash after the namespace prefix.
std::wstring ObjectName(const std::wstring& name, const wchar_t* what) {
  std::wstring object = L"Local\\kelvane_down:" + std::wstring(what) + L":";
  for (const wchar_t c : name) object += c == L'\\' ? L'/' : c;
  return object;
}

void AskFirstInstance(const std::wstring& name) {
  HANDLE request = OpenEventW(EVENT_MODIFY_STATE, FALSE, ObjectName(name, L"raise").c_str());
  HANDLE answer =
      OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, ObjectName(name, L"raised").c_str());
  if (request && answer) {
    ResetEvent(answer);
    if (SetEvent(request)) WaitForSingleObject(answer, kAnswerTimeoutMs);
  }
  if (answer) CloseHandle(answer);
  if (request) CloseHandle(request);
  if (HWND window = FindWindowW(nullptr, name.c_str())) {
    ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
  }
}

class WinClaim : public SingleInstanceClaim {
 public:
  WinClaim(HANDLE mutex, HANDLE request, HANDLE answer, std::function<void()> on_raise)
      : mutex_(mutex),
        request_(request),
        answer_(answer),
        stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    listener_ = std::thread([this, on_raise = std::move(on_raise)] {
      const HANDLE waits[] = {stop_, request_};
      while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        if (on_raise) on_raise();
        SetEvent(answer_);
      }
    });
  }
  ~WinClaim() override {
    SetEvent(stop_);
    if (listener_.joinable()) listener_.join();
    CloseHandle(stop_);
    CloseHandle(answer_);
    CloseHandle(request_);
    CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
  HANDLE request_;
  HANDLE answer_;
  HANDLE stop_;
  std::thread listener_;
};

}  // namespace

std::unique_ptr<SingleInstanceClaim> ClaimSingleInstance(const std::wstring& name,
                                                         std::function<void()> on_raise_request) {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, ObjectName(name, L"instance").c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr || error == ERROR_ALREADY_EXISTS) {
    if (mutex) CloseHandle(mutex);
    // Access denied: another user's (elevated) copy holds the name.
    if (mutex || error == ERROR_ACCESS_DENIED) AskFirstInstance(name);
    return nullptr;
  }
  // Auto-reset: one request wakes the listener once.
  HANDLE request = CreateEventW(nullptr, FALSE, FALSE, ObjectName(name, L"raise").c_str());
  HANDLE answer = CreateEventW(nullptr, FALSE, FALSE, ObjectName(name, L"raised").c_str());
  if (!request || !answer) {
    if (request) CloseHandle(request);
    if (answer) CloseHandle(answer);
    CloseHandle(mutex);
    return nullptr;
  }
  return std::make_unique<WinClaim>(mutex, request, answer, std::move(on_raise_request));
}

}  // namespace platform
