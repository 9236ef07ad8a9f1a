// Small synchronous side requests: the installer file's size (HEAD), its redirect target, the
// banner API answer and the banner pictures. Each request object lives for one request, on the
// thread that made it; every failing system call is logged through ShowApiError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/side_http.h"

/// The request description and the session / connection / request of one side request.
class CBaseRequest {
 public:
  CBaseRequest();
  virtual ~CBaseRequest();
  CBaseRequest(const CBaseRequest&) = delete;
  CBaseRequest& operator=(const CBaseRequest&) = delete;

  virtual std::string GetTypeName() = 0;
  /// The response's "Content-Length" (a 32-bit number); false without a request or header.
  virtual bool GetUrlFileSize(std::uint32_t& size) = 0;
  /// Body bytes into `buffer`: the count read (0 at the end), or -1 on failure.
  virtual int HttpRead(void* buffer, std::uint32_t size) = 0;
  /// Closes the request, the connection and the session.
  virtual void CloseHandles() = 0;
  virtual bool OpenSession() = 0;
  virtual bool ConnectSession(bool secure) = 0;
  virtual bool OpenRequest(bool secure) = 0;
  virtual bool SendRequest() = 0;

  void SetMethod(const std::wstring& method) { method_ = method; }
  /// True when the system routes web traffic through a proxy.
  bool IsUseProxyConnect();
  /// Splits "http://host[:port]/path" or "https://host[:port]/path" into "host[:port]" and
  /// "path" (without its leading "/"). False when no "/" follows the host. Text that starts
  /// with neither scheme leaves both unchanged and succeeds.
  bool SplitRequestUrl(const std::wstring& url, std::wstring& host, std::wstring& path);
  /// Stores host and path, then opens the session, connects, opens the request and sends it,
  /// stopping at the first failure.
  bool MakeRequest(const std::wstring& host, const std::wstring& path, bool secure);
  /// Requests `url` over the scheme it names, on its port: https over TLS with the server
  /// verified (never again over plain HTTP), http over plain HTTP.
  bool OpenUrl(const std::wstring& url);
  /// Writes the response body into a file created anew; false when it cannot be created or a
  /// read or write fails (the partial file stays).
  bool SaveBodyToFile(const std::wstring& path);
  /// The response body as bytes (what was read up to a failure).
  std::string ReadBodyText();
  /// Like ReadBodyText, but false (with what was read so far) once the body passes `limit`.
  bool ReadBodyText(std::string& text, std::size_t limit);
  /// The response's status, 0 when there is none.
  int GetStatusCode() const;

 protected:
  std::wstring method_ = L"GET";
  std::wstring object_path_;
  std::wstring server_host_;
  // The session, connection and request: one seam object that holds all three.
  std::unique_ptr<platform::SideHttp> http_;
};

class CWinHttpRequest : public CBaseRequest {
 public:
  CWinHttpRequest() = default;
  ~CWinHttpRequest() override;

  std::string GetTypeName() override { return "WinHttp"; }
  bool GetUrlFileSize(std::uint32_t& size) override;
  int HttpRead(void* buffer, std::uint32_t size) override;
  void CloseHandles() override;
  bool OpenSession() override;
  bool ConnectSession(bool secure) override;
  bool OpenRequest(bool secure) override;
  bool SendRequest() override;
};

/// The size of the file at `url` from a HEAD request; 0 when it cannot be learnt (no answer, an
/// answer other than 2xx, no or an unusable "Content-Length").
int GetHttpFileSize(const std::wstring& url);
/// The same, saying in `why` what went wrong when the result is 0.
int GetHttpFileSize(const std::wstring& url, std::string* why);

/// Asks `host` for `path` without following redirects, over the scheme and port `url` names.
/// A 302 answer replaces `url` with its "Location" exactly as sent and returns true; any other
/// status returns false with `url` unchanged. When the answer cannot be received, true with `url`
/// unchanged (the download then goes to the address as it is).
bool GetRedirectUrl(const std::wstring& host, const std::wstring& path, std::wstring& url);
/// The same, leaving the side-request failure number in `error` (0 when an answer came).
bool GetRedirectUrl(const std::wstring& host, const std::wstring& path, std::wstring& url,
                    int* error);
