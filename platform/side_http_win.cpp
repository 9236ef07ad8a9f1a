// Side requests on Windows: WinHTTP, synchronous, one session, connection and request at a time.
// Certificate errors are never ignored; every wait has the request's time limit.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/side_http.h"

namespace platform {
namespace {

namespace err = side_http_error;

// The failure numbers the header promises are WinHTTP's own.
static_assert(err::kInvalidParameter == ERROR_INVALID_PARAMETER, "");
static_assert(err::kOutOfHandles == ERROR_WINHTTP_OUT_OF_HANDLES, "");
static_assert(err::kTimeout == ERROR_WINHTTP_TIMEOUT, "");
static_assert(err::kInvalidUrl == ERROR_WINHTTP_INVALID_URL, "");
static_assert(err::kNameNotResolved == ERROR_WINHTTP_NAME_NOT_RESOLVED, "");
static_assert(err::kOperationCancelled == ERROR_WINHTTP_OPERATION_CANCELLED, "");
static_assert(err::kIncorrectHandleState == ERROR_WINHTTP_INCORRECT_HANDLE_STATE, "");
static_assert(err::kCannotConnect == ERROR_WINHTTP_CANNOT_CONNECT, "");
static_assert(err::kConnectionError == ERROR_WINHTTP_CONNECTION_ERROR, "");
static_assert(err::kHeaderNotFound == ERROR_WINHTTP_HEADER_NOT_FOUND, "");
static_assert(err::kInvalidServerResponse == ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "");
static_assert(err::kRedirectFailed == ERROR_WINHTTP_REDIRECT_FAILED, "");
static_assert(err::kSecureFailure == ERROR_WINHTTP_SECURE_FAILURE, "");

// The values the request wrapper's log and callers take for granted.
static_assert(WINHTTP_ACCESS_TYPE_DEFAULT_PROXY == 0 && WINHTTP_ACCESS_TYPE_NO_PROXY == 1, "");
static_assert((WINHTTP_FLAG_SECURE | WINHTTP_FLAG_BYPASS_PROXY_CACHE) == 0x800100, "");
static_assert((WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER) == 0x20000005, "");
static_assert(WINHTTP_QUERY_STATUS_CODE == 19 && WINHTTP_QUERY_LOCATION == 33, "");
static_assert(WINHTTP_OPTION_REDIRECT_POLICY == 88 && WINHTTP_OPTION_REDIRECT_POLICY_NEVER == 0,
              "");

constexpr int kDefaultConnectMs = 60000;
constexpr int kDefaultSendMs = 30000;
constexpr int kDefaultReceiveMs = 30000;

int Limit(int ms, int fallback) { return ms > 0 ? ms : fallback; }

// The calling thread's last WinHTTP failure. Every way a certificate can be refused is the one
// security failure, as on Linux.
int LastFailure() {
  const DWORD error = GetLastError();
  switch (error) {
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return err::kSecureFailure;
    // Socket failures that some WinHTTP implementations (Wine's) hand through as they are.
    case WSAETIMEDOUT:
      return err::kTimeout;
    case WSAECONNREFUSED:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH:
      return err::kCannotConnect;
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return err::kConnectionError;
    case ERROR_SUCCESS:
      return err::kConnectionError;  // a failure the system did not name
    default:
      return static_cast<int>(error);
  }
}

void ApplyTimeouts(HINTERNET handle, const SideHttpTimeouts& t) {
  if (handle == nullptr) return;
  const int connect = Limit(t.connect_ms, kDefaultConnectMs);
  // WinHTTP waits for a name without end unless told; the name counts against the connect limit.
  const int resolve = t.resolve_ms > 0 ? t.resolve_ms : connect;
  const int receive = Limit(t.receive_ms, kDefaultReceiveMs);
  WinHttpSetTimeouts(handle, resolve, connect, Limit(t.send_ms, kDefaultSendMs), receive);
  DWORD response = static_cast<DWORD>(receive);
  WinHttpSetOption(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response, sizeof(response));
}

// Windows 7's WinHTTP offers only TLS 1.0 unless asked. TLS 1.2 and 1.3 are asked for; a system
// that does not know 1.3 refuses that and is asked for 1.1 and 1.2; one that knows neither keeps
// its defaults.
void AllowCurrentTls(HINTERNET session) {
  DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  if (WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
    return;
  }
  protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

void CloseInternetHandle(HINTERNET& handle) {
  if (handle != nullptr) WinHttpCloseHandle(handle);
  handle = nullptr;
}

}  // namespace

struct SideHttp::state {
  HINTERNET session = nullptr;
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
  SideHttpTimeouts timeouts;
  bool follow_redirects = true;
  bool received = false;   // the response head is there
  bool body_done = false;  // the body ended or failed; reads tell the end

  void CloseRequest() {
    CloseInternetHandle(request);
    received = false;
    body_done = false;
  }
};

SideHttp::SideHttp() : state_(std::make_unique<state>()) {}
SideHttp::~SideHttp() { Close(); }

bool SideHttp::Fail(int error) const {
  last_error_ = error;
  return false;
}

bool SideHttp::OpenSession(const std::wstring& agent, bool use_proxy) {
  Close();
  auto& s = *state_;
  s.session =
      WinHttpOpen(agent.empty() ? nullptr : agent.c_str(),
                  use_proxy ? WINHTTP_ACCESS_TYPE_DEFAULT_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                  WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (s.session == nullptr) return Fail(LastFailure());
  s.timeouts = SideHttpTimeouts();
  s.follow_redirects = true;
  AllowCurrentTls(s.session);
  ApplyTimeouts(s.session, s.timeouts);
  return true;
}

void SideHttp::SetTimeouts(const SideHttpTimeouts& timeouts) {
  auto& s = *state_;
  s.timeouts = timeouts;
  ApplyTimeouts(s.session, timeouts);
  ApplyTimeouts(s.request, timeouts);
}

void SideHttp::SetFollowRedirects(bool follow) {
  auto& s = *state_;
  s.follow_redirects = follow;
  if (s.request != nullptr) {
    DWORD policy = follow ? WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP
                          : WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    WinHttpSetOption(s.request, WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof(policy));
  }
}

bool SideHttp::Connect(const std::wstring& host, int port) {
  auto& s = *state_;
  if (s.session == nullptr) return Fail(err::kIncorrectHandleState);
  if (host.empty() || port <= 0 || port > 65535) return Fail(err::kInvalidParameter);
  s.CloseRequest();
  CloseInternetHandle(s.connection);
  s.connection = WinHttpConnect(s.session, host.c_str(), static_cast<INTERNET_PORT>(port), 0);
  if (s.connection == nullptr) return Fail(LastFailure());
  return true;
}

bool SideHttp::OpenRequest(const std::wstring& method, const std::wstring& path, bool secure) {
  auto& s = *state_;
  if (s.connection == nullptr) return Fail(err::kIncorrectHandleState);
  s.CloseRequest();
  const std::wstring verb = method.empty() ? L"GET" : method;
  const std::wstring target = !path.empty() && path.front() == L'/' ? path : L"/" + path;
  static const wchar_t* const accept_types[] = {L"*/*", nullptr};
  DWORD flags = WINHTTP_FLAG_BYPASS_PROXY_CACHE;
  // Certificate checks stay as the system makes them: no security flag is ever relaxed.
  if (secure) flags |= WINHTTP_FLAG_SECURE;
  s.request =
      WinHttpOpenRequest(s.connection, verb.c_str(), target.c_str(), L"HTTP/1.1",
                         WINHTTP_NO_REFERER, const_cast<const wchar_t**>(accept_types), flags);
  if (s.request == nullptr) return Fail(LastFailure());
  ApplyTimeouts(s.request, s.timeouts);
  SetFollowRedirects(s.follow_redirects);
  return true;
}

bool SideHttp::AddHeaders(const std::wstring& lines) {
  auto& s = *state_;
  if (s.request == nullptr || s.received) return Fail(err::kIncorrectHandleState);
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find(L"\r\n", start);
    if (end == std::wstring::npos) end = lines.size();
    const std::wstring line = lines.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    const auto colon = line.find(L':');
    if (colon == std::wstring::npos || colon == 0) return Fail(err::kInvalidParameter);
    // One line at a time: a line replaces a field of its name or adds it.
    if (!WinHttpAddRequestHeaders(s.request, line.c_str(), static_cast<DWORD>(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
      return Fail(LastFailure());
    }
  }
  return true;
}

bool SideHttp::Send(const std::string& body) {
  auto& s = *state_;
  if (s.request == nullptr || s.received) return Fail(err::kIncorrectHandleState);
  const auto length = static_cast<DWORD>(body.size());
  if (length != body.size()) return Fail(err::kInvalidParameter);
  void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
  // The request may be sent again after a failure, as WinHTTP allows.
  if (!WinHttpSendRequest(s.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, length, length, 0)) {
    return Fail(LastFailure());
  }
  // The exchange ends with the response head, as the callers expect of Send.
  if (!WinHttpReceiveResponse(s.request, nullptr)) return Fail(LastFailure());
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(s.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return Fail(err::kInvalidServerResponse);
  }
  // A redirect that reaches the caller while redirects are followed is one WinHTTP would not
  // take (https to plain http, no usable Location): the request failed.
  if (s.follow_redirects && IsRedirect(status)) return Fail(err::kRedirectFailed);
  s.received = true;
  return true;
}

bool SideHttp::ReceiveResponse() {
  if (!state_->received) return Fail(err::kIncorrectHandleState);
  return true;
}

bool SideHttp::QueryStatus(int& status) const {
  const auto& s = *state_;
  if (!s.received) return false;
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (!WinHttpQueryHeaders(s.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &value, &size, WINHTTP_NO_HEADER_INDEX)) {
    return Fail(LastFailure());
  }
  status = static_cast<int>(value);
  return true;
}

namespace {

// A response field as text; false with the failure number set by the system otherwise.
bool QueryText(HINTERNET request, DWORD field, std::wstring& text) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, field, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request, field, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  text.assign(buffer.data(), size / sizeof(wchar_t));
  return true;
}

}  // namespace

bool SideHttp::QueryContentLength(std::uint64_t& length) const {
  const auto& s = *state_;
  if (!s.received) return Fail(err::kIncorrectHandleState);
  std::wstring value;
  // As text: a length beyond 32 bits is still a length.
  if (!QueryText(s.request, WINHTTP_QUERY_CONTENT_LENGTH, value)) {
    const int error = LastFailure();
    return Fail(error == err::kHeaderNotFound ? error : err::kHeaderNotFound);
  }
  if (value.empty() || value.size() > 19 || value.find_first_not_of(L"0123456789") != value.npos) {
    return Fail(err::kHeaderNotFound);
  }
  std::uint64_t number = 0;
  for (wchar_t c : value) number = number * 10 + static_cast<std::uint64_t>(c - L'0');
  length = number;
  return true;
}

bool SideHttp::QueryLocation(std::wstring& location) const {
  const auto& s = *state_;
  if (!s.received) return Fail(err::kIncorrectHandleState);
  std::wstring value;
  if (!QueryText(s.request, WINHTTP_QUERY_LOCATION, value)) return Fail(err::kHeaderNotFound);
  location = value;
  return true;
}

bool SideHttp::QueryDataAvailable(std::size_t& available) {
  auto& s = *state_;
  if (!s.received) return Fail(err::kIncorrectHandleState);
  available = 0;
  if (s.body_done) return true;
  DWORD count = 0;
  if (!WinHttpQueryDataAvailable(s.request, &count)) {
    s.body_done = true;
    return Fail(LastFailure());
  }
  available = count;
  return true;
}

bool SideHttp::ReadData(void* buffer, std::size_t size, std::size_t& read) {
  auto& s = *state_;
  read = 0;
  if (!s.received) return Fail(err::kIncorrectHandleState);
  if (size == 0 || s.body_done) return true;
  // Asked first, so that a read takes what has come and never waits to fill the buffer.
  std::size_t available = 0;
  if (!QueryDataAvailable(available)) return false;
  if (available == 0) {
    s.body_done = true;
    return true;
  }
  const auto wanted = static_cast<DWORD>(std::min<std::size_t>({size, available, 0x7FFFFFFF}));
  DWORD got = 0;
  if (!WinHttpReadData(s.request, buffer, wanted, &got)) {
    // The request is over; later reads tell the end, never a late byte.
    s.body_done = true;
    return Fail(LastFailure());
  }
  if (got == 0) s.body_done = true;
  read = got;
  return true;
}

void SideHttp::Close() {
  auto& s = *state_;
  s.CloseRequest();
  CloseInternetHandle(s.connection);
  CloseInternetHandle(s.session);
}

bool SideHttp::IsSessionOpen() const { return state_->session != nullptr; }
bool SideHttp::IsConnected() const { return state_->connection != nullptr; }
bool SideHttp::IsRequestOpen() const { return state_->request != nullptr; }

}  // namespace platform
