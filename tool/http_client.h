// A small synchronous HTTP client library: one interface, three transports chosen by number (0
// plain sockets, 1 and 2 the system's HTTP APIs through the side-request seam), downloads into a
// file or into memory and text requests, with an optional progress callback.
#pragma once

#include <map>
#include <string>

/// The library's failure values; an operation that fails keeps one for GetErrorCode.
enum HttpInterfaceError {
  kHttpErrorNone = 0,
  kHttpErrorRequest = 1,           // session, request or response step failed
  kHttpErrorConnect = 2,           // connection failed
  kHttpErrorSend = 3,              // sending failed
  kHttpErrorQuery = 4,             // no usable "Content-Length", or a data query failed
  kHttpErrorStatus = 5,            // the server answered with an error status
  kHttpErrorEmptyUrl = 6,          // empty URL (downloads)
  kHttpErrorCreateFile = 7,        // creating or opening the file failed
  kHttpErrorRead = 8,              // reading failed, or the body did not have the announced length
  kHttpErrorResolve = 9,           // host name not resolved
  kHttpErrorSocket = 10,           // socket error
  kHttpErrorCancelled = 11,        // the callback asked to stop
  kHttpErrorTooLarge = 12,         // more than 8,388,608 bytes for memory, or a length of 0
  kHttpErrorHeadNotFound = 13,     // no complete response head
  kHttpErrorEmptyRequestUrl = 14,  // empty URL (text requests)
  kHttpErrorWriteFile = 15,        // writing the file failed
};

/// The largest body a download into memory accepts.
inline constexpr int kHttpMemoryLimit = 8 * 1024 * 1024;

/// Progress of a download, supplied by the caller. States: 0 progress, 1 failed, 2 complete.
class IHttpProgress {
 public:
  virtual void OnProgress(int user_value, int state, double total_bytes, double done_bytes) = 0;
  /// Asked before every read of the socket transport.
  virtual bool IsCancelled() = 0;

 protected:
  virtual ~IHttpProgress() = default;
};

/// Request header fields (and, for the socket transport, the parsed response head).
class CHttpHeader {
 public:
  /// Inserts when both are non-empty and the name is not there yet (an existing value stays).
  void AddField(const std::string& name, const std::string& value);
  /// The value, or empty text.
  std::string GetField(const std::string& name) const;
  /// Adds the default fields that are missing, then "Name: value\r\n" for every field in name
  /// order.
  std::string BuildHeaderLines();
  /// "GET path version\r\n", the field lines and an empty line.
  std::string BuildGetRequest(const std::string& path);
  /// Reads a response head: status line, then "Name: value" lines.
  void ParseResponse(const std::string& head);

  int status = 0;
  std::string version;
  std::string reason;
  std::string path;
  std::map<std::string, std::string> fields;
};

class IHttpBase {
 public:
  virtual void SetCallback(IHttpProgress* callback, int user_value) = 0;
  virtual bool DownloadFile(const std::wstring& url, const std::wstring& path) = 0;
  /// On success `*buffer` is a new[] array of `*size` bytes that the caller deletes with delete[].
  virtual bool DownloadToMemory(const std::wstring& url, char** buffer, int* size) = 0;
  /// Destroys the client.
  virtual void Release() = 0;
  virtual int GetErrorCode() = 0;
  /// Ignored when either is null or empty.
  virtual void AddHeader(const char* name, const char* value) = 0;
  /// The status of the last response; 0 before any.
  virtual int GetStatusCode() = 0;

 protected:
  virtual ~IHttpBase() = default;
};

class ISocketHttp : public IHttpBase {
 public:
  /// The IPv4 address the host resolved to.
  virtual std::wstring GetIpAddress() = 0;
};

class IWininetHttp : public IHttpBase {
 public:
  /// GET (post 0) or POST (post non-zero) with `body` and the extra header lines; the response
  /// body, empty on failure. The WinHTTP kind raises kHttpErrorStatus for a 404 answer.
  virtual std::string HttpRequestW(const std::wstring& url, int post, const std::string& body,
                                   const std::wstring& header) = 0;
  virtual std::string HttpRequestA(const std::string& url, int post, const std::string& body,
                                   const std::string& header) = 0;
};

class IWinHttp : public IWininetHttp {
 public:
  /// Milliseconds; 5000 each by default.
  virtual void SetTimeouts(int connect_ms, int send_ms, int receive_ms) = 0;
};

/// 0 a socket client, 1 a WinINet-style client, 2 a WinHTTP-style client; anything else stores
/// null and returns false.
bool CreateHttpClient(IHttpBase** client, int kind);
