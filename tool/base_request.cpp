#include "tool/base_request.h"

#include <climits>
#include <cwctype>
#include <filesystem>
#include <fstream>

#include "log/log.h"
#include "tool/api_error.h"

namespace {

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

// "host" or "host:port" (an IPv6 literal in brackets keeps its colons): the name and the port,
// `fallback` when none is written. False for a port that is no number in range.
bool SplitHostPort(const std::wstring& text, int fallback, std::wstring& host, int& port) {
  host = text;
  port = fallback;
  std::size_t colon = std::wstring::npos;
  if (!text.empty() && text.front() == L'[') {
    const auto close = text.find(L']');
    if (close == std::wstring::npos) return false;
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) {
      if (text[close + 1] != L':') return false;
      colon = close + 1;
    }
  } else {
    colon = text.find(L':');
    if (colon != std::wstring::npos) host = text.substr(0, colon);
  }
  if (colon == std::wstring::npos) return true;
  const std::wstring digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return false;
  }
  port = std::stoi(digits);
  return port > 0 && port <= 65535;
}

void ReportFailure(const char* api, const platform::SideHttp& http, const char* context) {
  ShowApiError(api, http.LastError(), platform::SideHttpMessageModule(), context);
}

}  // namespace

// ---- CBaseRequest ----------------------------------------------------------------------------

CBaseRequest::CBaseRequest() = default;
CBaseRequest::~CBaseRequest() = default;

bool CBaseRequest::IsUseProxyConnect() {
  int error = 0;
  const bool proxy = platform::SideHttpUsesProxy(error);
  if (error != 0) {
    LogA("CBaseRequest::IsUseProxyConnect", "tool/BaseRequest", 50, kLogInfo,
         "ERR:InternetGetConnectedState fail 0x%x", static_cast<unsigned>(error));
    return false;
  }
  return proxy;
}

bool CBaseRequest::SplitRequestUrl(const std::wstring& url, std::wstring& host,
                                   std::wstring& path) {
  std::wstring rest;
  if (StartsWithNoCase(url, L"http://")) {
    rest = url.substr(7);
  } else if (StartsWithNoCase(url, L"https://")) {
    rest = url.substr(8);
  } else {
    return true;
  }
  const auto slash = rest.find(L'/');
  if (slash == std::wstring::npos) return false;
  host = rest.substr(0, slash);
  path = rest.substr(slash + 1);
  return true;
}

bool CBaseRequest::MakeRequest(const std::wstring& host, const std::wstring& path, bool secure) {
  object_path_ = path;
  server_host_ = host;
  return OpenSession() && ConnectSession(secure) && OpenRequest(secure) && SendRequest();
}

bool CBaseRequest::OpenUrl(const std::wstring& url) {
  std::wstring host;
  std::wstring path;
  if (!SplitRequestUrl(url, host, path)) return false;
  // The scheme decides: an https address is never fetched over plain HTTP.
  return MakeRequest(host, path, StartsWithNoCase(url, L"https://"));
}

bool CBaseRequest::SaveBodyToFile(const std::wstring& path) {
  std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  if (!file) return false;
  char buffer[4096];
  for (;;) {
    const int read = HttpRead(buffer, sizeof(buffer));
    if (read < 0) return false;
    if (read == 0) break;
    if (!file.write(buffer, read)) return false;
  }
  return static_cast<bool>(file.flush());
}

std::string CBaseRequest::ReadBodyText() {
  std::string text;
  ReadBodyText(text, std::string::npos);
  return text;
}

bool CBaseRequest::ReadBodyText(std::string& text, std::size_t limit) {
  text.clear();
  char buffer[2048];
  for (;;) {
    const int read = HttpRead(buffer, sizeof(buffer) - 1);
    if (read < 0) return false;
    if (read == 0) return true;
    if (limit != std::string::npos && text.size() + static_cast<std::size_t>(read) > limit) {
      text.append(buffer, limit - text.size());
      return false;
    }
    text.append(buffer, static_cast<std::size_t>(read));
  }
}

int CBaseRequest::GetStatusCode() const {
  int status = 0;
  if (!http_ || !http_->QueryStatus(status)) return 0;
  return status;
}

// ---- CWinHttpRequest -------------------------------------------------------------------------

CWinHttpRequest::~CWinHttpRequest() { CWinHttpRequest::CloseHandles(); }

bool CWinHttpRequest::OpenSession() {
  http_ = std::make_unique<platform::SideHttp>();
  if (!http_->OpenSession(L"", IsUseProxyConnect())) {
    ReportFailure("WinHttpOpen", *http_, "CWinHttpRequest::OpenSession");
    http_.reset();
    return false;
  }
  return true;
}

bool CWinHttpRequest::ConnectSession(bool secure) {
  if (!http_) return false;
  std::wstring host;
  int port = 0;
  // The port written in the address is honoured; otherwise the scheme's own.
  if (!SplitHostPort(server_host_, secure ? 443 : 80, host, port)) host.clear();
  if (!http_->Connect(host, port)) {
    ReportFailure("WinHttpConnect", *http_, "CWinHttpRequest::ConnectSession");
    return false;
  }
  return true;
}

bool CWinHttpRequest::OpenRequest(bool secure) {
  if (!http_ || !http_->OpenRequest(method_, L"/" + object_path_, secure) ||
      !http_->AddHeaders(L"Accept: */*")) {
    if (http_) ReportFailure("WinHttpOpenRequest", *http_, "CWinHttpRequest::OpenRequest");
    return false;
  }
  return true;
}

bool CWinHttpRequest::SendRequest() {
  if (!http_) return false;
  if (!http_->Send("")) {
    ReportFailure("WinHttpSendRequest", *http_, "CWinHttpRequest::SendRequest");
    return false;
  }
  if (!http_->ReceiveResponse()) {
    ReportFailure("WinHttpReceiveResponse", *http_, "CWinHttpRequest::SendRequest");
    return false;
  }
  return true;
}

bool CWinHttpRequest::GetUrlFileSize(std::uint32_t& size) {
  if (!http_ || !http_->IsRequestOpen()) return false;
  std::uint64_t length = 0;
  if (!http_->QueryContentLength(length) || length > UINT32_MAX) {
    ReportFailure("WinHttpQueryHeaders", *http_, "CWinHttpRequest::GetUrlFileSize");
    return false;
  }
  size = static_cast<std::uint32_t>(length);
  return true;
}

int CWinHttpRequest::HttpRead(void* buffer, std::uint32_t size) {
  if (!http_) return -1;
  std::size_t read = 0;
  if (!http_->ReadData(buffer, std::min<std::uint32_t>(size, INT_MAX), read)) {
    ReportFailure("WinHttpReadData", *http_, "CWinHttpRequest::HttpRead");
    return -1;
  }
  return static_cast<int>(read);
}

void CWinHttpRequest::CloseHandles() {
  if (http_) http_->Close();
  http_.reset();
}

// ---- free functions --------------------------------------------------------------------------

int GetHttpFileSize(const std::wstring& url) { return GetHttpFileSize(url, nullptr); }

int GetHttpFileSize(const std::wstring& url, std::string* why) {
  auto fail = [why](const std::string& text) {
    if (why != nullptr) *why = text;
    return 0;
  };
  CWinHttpRequest request;
  request.SetMethod(L"HEAD");
  if (!request.OpenUrl(url)) return fail("no answer (see the log for the failing call)");
  // The length of an error page is not the file's size.
  const int status = request.GetStatusCode();
  if (status < 200 || status > 299) return fail("the server answered " + std::to_string(status));
  std::uint32_t size = 0;
  if (!request.GetUrlFileSize(size)) return fail("the answer carries no Content-Length");
  if (size > INT_MAX) return fail("the length does not fit the size query");
  if (size == 0) return fail("the answer's length is 0");
  return static_cast<int>(size);
}

bool GetRedirectUrl(const std::wstring& host, const std::wstring& path, std::wstring& url) {
  return GetRedirectUrl(host, path, url, nullptr);
}

bool GetRedirectUrl(const std::wstring& host, const std::wstring& path, std::wstring& url,
                    int* error_out) {
  int ignored = 0;
  int& error_number = error_out != nullptr ? *error_out : ignored;
  error_number = 0;
  const bool secure = StartsWithNoCase(url, L"https://");
  // The host may carry the port; otherwise the port the address names, or the scheme's.
  int port = secure ? 443 : 80;
  std::wstring name;
  {
    std::wstring authority = url.substr(std::min(url.size(), secure ? std::size_t{8} : 7));
    authority = authority.substr(0, authority.find_first_of(L"/?#"));
    std::wstring url_host;
    int url_port = port;
    if (SplitHostPort(authority, port, url_host, url_port)) port = url_port;
  }
  if (!SplitHostPort(host, port, name, port)) {
    error_number = platform::side_http_error::kInvalidUrl;
    return false;
  }

  platform::SideHttp http;
  if (!http.OpenSession(L"", true)) return false;
  http.SetFollowRedirects(false);
  if (!http.Connect(name, port) || !http.OpenRequest(L"GET", path, secure)) {
    error_number = http.LastError();
    return false;
  }
  if (!http.Send("")) {
    namespace err = platform::side_http_error;
    const int error = http.LastError();
    error_number = error;
    // No connection: the request was never sent. Otherwise the answer did not come, and the
    // address stays as it is.
    if (error == err::kCannotConnect || error == err::kNameNotResolved ||
        error == err::kSecureFailure || error == err::kInvalidUrl) {
      return false;
    }
    LogA("GetRedirectUrl", "Window/MainFrameWnd", 227, kLogInfo, "Error %d has occurred.\n", error);
    return true;
  }
  int status = 0;
  if (!http.ReceiveResponse() || !http.QueryStatus(status)) {
    error_number = http.LastError();
    LogA("GetRedirectUrl", "Window/MainFrameWnd", 227, kLogInfo, "Error %d has occurred.\n",
         http.LastError());
    return true;
  }
  if (status != 302) return false;
  std::wstring location;
  if (!http.QueryLocation(location)) return false;
  url = location;
  return true;
}
