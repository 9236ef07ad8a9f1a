// Side HTTP requests (size and redirect queries, the banner API, banner pictures, analytics): one
// request at a time in the call order of the system's own HTTP API: open a session, connect, open
// a request, add headers, send, receive the response, query status / length / location, read the
// body, close. Windows answers with WinHTTP; Linux with a small transport over the download
// engine's HTTP stream that takes its proxy from https_proxy / http_proxy / no_proxy.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

/// Failure numbers of the side requests. They are the system HTTP API's own numbers on Windows;
/// Linux reports the same numbers for the same failures.
namespace side_http_error {
inline constexpr int kInvalidParameter = 87;
inline constexpr int kOutOfHandles = 12001;
inline constexpr int kTimeout = 12002;
inline constexpr int kInvalidUrl = 12005;
inline constexpr int kNameNotResolved = 12007;
inline constexpr int kOperationCancelled = 12017;
inline constexpr int kIncorrectHandleState = 12019;
inline constexpr int kCannotConnect = 12029;
inline constexpr int kConnectionError = 12030;
inline constexpr int kHeaderNotFound = 12150;
inline constexpr int kInvalidServerResponse = 12152;
inline constexpr int kRedirectFailed = 12156;
inline constexpr int kSecureFailure = 12175;
}  // namespace side_http_error

/// The text the system holds for a failure number; empty when it has none.
std::string SideHttpErrorText(int code);

/// A loaded module that holds message texts (Windows: a module handle; Linux: unused).
using MessageModule = const void*;
/// The module holding the side requests' failure texts ("wininet.dll" on Windows).
MessageModule SideHttpMessageModule();
/// The text `module` holds for `code`, as the system formats it; empty when it holds none.
std::string ModuleMessageText(MessageModule module, int code);

/// Time limits of one request, in milliseconds. The defaults are those of the system HTTP API: no
/// resolve limit of its own (it counts against the connect limit), 60 s to connect, 30 s to send,
/// 30 s for each wait for the answer and for each read of its body. A connect, send or receive
/// limit of 0 or less takes its default, so that no request waits without limit.
struct SideHttpTimeouts {
  int resolve_ms = 0;
  int connect_ms = 60000;
  int send_ms = 30000;
  int receive_ms = 30000;
};

/// True when the system routes web traffic through a proxy (a proxy variable is set on Linux).
/// False with `error` set when the system cannot be asked.
bool SideHttpUsesProxy(int& error);

/// One session with one connection and one request. Every step returns false on failure and
/// leaves the failure number in LastError(); a step taken out of order fails with
/// kIncorrectHandleState. Close (and the destructor) closes the request, the connection and the
/// session, in that order.
class SideHttp {
 public:
  SideHttp();
  ~SideHttp();
  SideHttp(const SideHttp&) = delete;
  SideHttp& operator=(const SideHttp&) = delete;

  /// Opens the session. `agent` is the User-Agent text (empty: none). With `use_proxy` the
  /// system's proxy set-up is used, otherwise every request goes direct.
  bool OpenSession(const std::wstring& agent, bool use_proxy);
  void SetTimeouts(const SideHttpTimeouts& timeouts);
  /// Whether redirects are followed (the default; never from https to plain http).
  void SetFollowRedirects(bool follow);
  /// Names the server. The connection itself is made by Send.
  bool Connect(const std::wstring& host, int port);
  /// `path` is the request target, starting with "/". `secure` asks for TLS with the server's
  /// certificate chain and host name verified.
  bool OpenRequest(const std::wstring& method, const std::wstring& path, bool secure);
  /// Header lines "Name: value" separated by CR LF; a line replaces a field of the same name.
  bool AddHeaders(const std::wstring& lines);
  /// Connects, sends the request with `body` and waits for the response head.
  bool Send(const std::string& body);
  /// Completes the exchange started by Send (the response head is then readable).
  bool ReceiveResponse();

  /// The response status; false before a response.
  bool QueryStatus(int& status) const;
  /// "Content-Length" of the response; false (kHeaderNotFound) when it has none.
  bool QueryContentLength(std::uint64_t& length) const;
  /// "Location" of the response exactly as sent; false (kHeaderNotFound) when it has none.
  bool QueryLocation(std::wstring& location) const;
  /// The number of body bytes that can be read now without waiting long; 0 at the end.
  bool QueryDataAvailable(std::size_t& available);
  /// Reads up to `size` body bytes; `read` is 0 at the end of the body.
  bool ReadData(void* buffer, std::size_t size, std::size_t& read);

  void Close();
  bool IsSessionOpen() const;
  bool IsConnected() const;
  bool IsRequestOpen() const;
  int LastError() const { return last_error_; }

 private:
  struct state;
  bool Fail(int error) const;
  std::unique_ptr<state> state_;
  mutable int last_error_ = 0;
};

}  // namespace platform
