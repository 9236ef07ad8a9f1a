#include "tool/http_client.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <vector>

#include "platform/side_http.h"
#include "platform/text.h"
#include "tool/http_client_detail.h"

// ---- CHttpHeader -----------------------------------------------------------------------------

void CHttpHeader::AddField(const std::string& name, const std::string& value) {
  if (name.empty() || value.empty()) return;
  fields.emplace(name, value);
}

std::string CHttpHeader::GetField(const std::string& name) const {
  const auto it = fields.find(name);
  return it != fields.end() ? it->second : std::string();
}

std::string CHttpHeader::BuildHeaderLines() {
  AddField("User-Agent",
           "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
           "Chrome/80.0.4044.92 Safari/537.36");
  AddField("Accept", "*/*");
  AddField("Connection", "Keep-Alive");
  AddField("Accept-Language", "zh-CN,zh;q=0.9");
  std::string lines;
  for (const auto& field : fields) lines += field.first + ": " + field.second + "\r\n";
  return lines;
}

std::string CHttpHeader::BuildGetRequest(const std::string& request_path) {
  const std::string lines = BuildHeaderLines();
  if (version.empty()) version = "HTTP/1.1";
  return "GET " + request_path + " " + version + "\r\n" + lines + "\r\n";
}

void CHttpHeader::ParseResponse(const std::string& head) {
  std::size_t start = 0;
  bool first = true;
  while (start < head.size()) {
    std::size_t end = head.find("\r\n", start);
    if (end == std::string::npos) end = head.size();
    const std::string line = head.substr(start, end - start);
    start = end + 2;
    if (first) {
      first = false;
      version = line.substr(0, 8);
      const auto space1 = line.find(' ');
      if (space1 == std::string::npos) continue;
      const auto space2 = line.find(' ', space1 + 1);
      const std::string number = line.substr(
          space1 + 1, space2 == std::string::npos ? std::string::npos : space2 - space1 - 1);
      status = 0;
      for (char c : number) {
        if (c < '0' || c > '9' || status > 99999) break;
        status = status * 10 + (c - '0');
      }
      reason = space2 == std::string::npos ? std::string() : line.substr(space2 + 1);
      continue;
    }
    const auto colon = line.find(": ");
    if (colon == std::string::npos) continue;
    AddField(line.substr(0, colon), line.substr(colon + 2));
  }
}

// ---- the URL ---------------------------------------------------------------------------------

namespace http_client_detail {

ClientUrl SplitClientUrl(const std::string& url) {
  ClientUrl out;
  std::string rest = url;
  auto starts = [&](const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (url.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
      if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
    }
    return true;
  };
  if (starts("http://")) {
    rest = url.substr(7);
  } else if (starts("https://")) {
    rest = url.substr(8);
    out.secure = true;
    out.port = 443;
  }
  const auto slash = rest.find('/');
  out.host = rest.substr(0, slash);
  out.path = slash == std::string::npos ? "/" : rest.substr(slash);
  const auto colon = out.host.find(':');
  if (colon != std::string::npos) {
    const std::string digits = out.host.substr(colon + 1);
    int port = 0;
    for (char c : digits) {
      if (c < '0' || c > '9' || port > 65535) {
        port = 0;
        break;
      }
      port = port * 10 + (c - '0');
    }
    out.port = port;
    out.host.erase(colon);
  }
  return out;
}

}  // namespace http_client_detail

using http_client_detail::ClientUrl;
using http_client_detail::SplitClientUrl;

// ---- the seam transports (kinds 1 and 2) -----------------------------------------------------

namespace {

// What differs between the two system-API kinds.
struct SeamFlavour {
  const wchar_t* agent;
  bool winhttp;  // else WinINet
};

template <typename Interface>
class CSeamHttp : public Interface {
 public:
  explicit CSeamHttp(SeamFlavour flavour) : flavour_(flavour) {}

  void SetCallback(IHttpProgress* callback, int user_value) override {
    callback_ = callback;
    user_value_ = user_value;
  }
  void Release() override { delete this; }
  int GetErrorCode() override { return last_error_; }
  void AddHeader(const char* name, const char* value) override {
    if (name == nullptr || value == nullptr) return;
    header_.AddField(name, value);
  }
  int GetStatusCode() override { return status_; }

  std::string HttpRequestW(const std::wstring& url, int post, const std::string& body,
                           const std::wstring& header) override {
    try {
      if (!flavour_.winhttp && url.empty()) throw kHttpErrorEmptyRequestUrl;
      OpenAndSend(url, post != 0, body, header);
    } catch (HttpInterfaceError error) {
      last_error_ = error;
      return std::string();
    }
    // A 404 answer leaves the operation as the library's error, for the caller to catch.
    if (status_ == 404) {
      last_error_ = kHttpErrorStatus;
      if (flavour_.winhttp) throw kHttpErrorStatus;
      return std::string();
    }
    std::string text;
    std::vector<char> block(4096);
    for (;;) {
      std::size_t read = 0;
      if (!http_.ReadData(block.data(), block.size(), read)) {
        last_error_ = kHttpErrorQuery;
        return std::string();
      }
      if (read == 0) break;
      text.append(block.data(), read);
    }
    return text;
  }

  std::string HttpRequestA(const std::string& url, int post, const std::string& body,
                           const std::string& header) override {
    return HttpRequestW(platform::NarrowToWide(url), post, body, platform::NarrowToWide(header));
  }

  bool DownloadFile(const std::wstring& url, const std::wstring& path) override {
    // By way of UTF-8: a path made from wide text would convert it through the C locale, which
    // throws on every name outside ASCII.
    const std::filesystem::path file_path = std::filesystem::u8path(platform::WideToUtf8(path));
    bool created = false;
    try {
      if (url.empty()) throw kHttpErrorEmptyUrl;
      OpenAndSend(url, false, std::string(), std::wstring());
      if (status_ >= 400) throw kHttpErrorStatus;
      std::uint64_t length = 0;
      if (!http_.QueryContentLength(length)) throw kHttpErrorQuery;
      if (!flavour_.winhttp) CreateParentFolders(file_path);
      std::ofstream file(file_path, std::ios::binary | std::ios::trunc);
      if (!file) throw kHttpErrorCreateFile;
      created = true;
      std::vector<char> block(4096);
      std::uint64_t done = 0;
      for (;;) {
        std::size_t read = 0;
        if (!http_.ReadData(block.data(), block.size(), read)) throw kHttpErrorRead;
        if (read == 0) break;
        if (done + read > length) throw kHttpErrorRead;
        if (!file.write(block.data(), static_cast<std::streamsize>(read))) {
          throw flavour_.winhttp ? kHttpErrorRead : kHttpErrorWriteFile;
        }
        done += read;
        Progress(0, static_cast<double>(length), static_cast<double>(done));
      }
      // Complete only when every announced byte was written.
      if (done != length || !file.flush()) throw kHttpErrorRead;
      file.close();
      if (!file) throw kHttpErrorWriteFile;
      Progress(2, static_cast<double>(length), static_cast<double>(done));
      return true;
    } catch (HttpInterfaceError error) {
      last_error_ = error;
      if (created) {
        std::error_code ignored;
        std::filesystem::remove(file_path, ignored);
      }
      Progress(1, 0, 0);
      return false;
    }
  }

  bool DownloadToMemory(const std::wstring& url, char** buffer, int* size) override {
    if (buffer == nullptr || size == nullptr) {
      last_error_ = kHttpErrorRequest;
      return false;
    }
    try {
      if (url.empty()) throw flavour_.winhttp ? kHttpErrorRequest : kHttpErrorEmptyUrl;
      try {
        OpenAndSend(url, false, std::string(), std::wstring());
      } catch (HttpInterfaceError error) {
        throw flavour_.winhttp ? kHttpErrorRequest : error;
      }
      if (status_ >= 400) throw kHttpErrorStatus;
      std::uint64_t length = 0;
      const bool known = http_.QueryContentLength(length);
      if (!known && flavour_.winhttp) throw kHttpErrorQuery;
      if (known && length > static_cast<std::uint64_t>(kHttpMemoryLimit)) throw kHttpErrorTooLarge;
      const std::size_t capacity = known ? static_cast<std::size_t>(length) : kHttpMemoryLimit;
      std::unique_ptr<char[]> data(new (std::nothrow) char[capacity + 1]);
      if (!data) throw kHttpErrorTooLarge;
      std::size_t filled = 0;
      for (;;) {
        std::size_t read = 0;
        // One byte of room past the capacity tells a body longer than announced.
        if (!http_.ReadData(data.get() + filled, capacity + 1 - filled, read)) throw kHttpErrorRead;
        if (read == 0) break;
        filled += read;
        if (filled > capacity) throw known ? kHttpErrorRead : kHttpErrorTooLarge;
      }
      if (known && filled != length) throw kHttpErrorRead;
      *buffer = data.release();
      *size = static_cast<int>(filled);
      return true;
    } catch (HttpInterfaceError error) {
      last_error_ = error;
      return false;
    }
  }

 protected:
  ~CSeamHttp() override { http_.Close(); }

  void Progress(int state, double total, double done) {
    if (callback_ != nullptr) callback_->OnProgress(user_value_, state, total, done);
  }

  static void CreateParentFolders(const std::filesystem::path& path) {
    std::error_code ignored;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ignored);
  }

  // Opens a fresh session, connection and request for `url` and sends it; the status of the
  // answer is kept. Throws the library's error.
  void OpenAndSend(const std::wstring& url, bool post, const std::string& body,
                   const std::wstring& extra_header) {
    http_.Close();
    status_ = 0;
    if (!http_.OpenSession(flavour_.agent, true)) throw kHttpErrorRequest;
    if (flavour_.winhttp) http_.SetTimeouts(timeouts_);
    const ClientUrl parts = SplitClientUrl(platform::WideToUtf8(url));
    if (!http_.Connect(platform::Utf8ToWide(parts.host), parts.port)) throw kHttpErrorConnect;
    if (!http_.OpenRequest(post ? L"POST" : L"GET", platform::Utf8ToWide(parts.path),
                           parts.secure)) {
      throw kHttpErrorRequest;
    }
    if (!http_.AddHeaders(platform::Utf8ToWide(header_.BuildHeaderLines()))) {
      throw kHttpErrorRequest;
    }
    if (!extra_header.empty() && !http_.AddHeaders(extra_header)) throw kHttpErrorSend;
    // The body goes out up to its first NUL.
    if (!http_.Send(std::string(body.c_str()))) throw kHttpErrorSend;
    if (!http_.ReceiveResponse()) throw kHttpErrorRequest;
    int status = 0;
    status_ = http_.QueryStatus(status) ? status : 0;
  }

  SeamFlavour flavour_;
  platform::SideHttp http_;
  platform::SideHttpTimeouts timeouts_{0, 5000, 5000, 5000};
  CHttpHeader header_;
  IHttpProgress* callback_ = nullptr;
  int user_value_ = 0;
  int status_ = 0;
  int last_error_ = 0;
};

class CWininetHttp final : public CSeamHttp<IWininetHttp> {
 public:
  CWininetHttp() : CSeamHttp({L"Http-connect", false}) {}
};

class CWinHttp final : public CSeamHttp<IWinHttp> {
 public:
  CWinHttp() : CSeamHttp({L"Microsoft Internet Explorer", true}) {}
  void SetTimeouts(int connect_ms, int send_ms, int receive_ms) override {
    timeouts_.connect_ms = connect_ms;
    timeouts_.send_ms = send_ms;
    timeouts_.receive_ms = receive_ms;
  }
};

}  // namespace

bool CreateHttpClient(IHttpBase** client, int kind) {
  if (client == nullptr) return false;
  *client = nullptr;
  switch (kind) {
    case 0:
      *client = http_client_detail::NewSocketClient();
      break;
    case 1:
      *client = new (std::nothrow) CWininetHttp();
      break;
    case 2:
      *client = new (std::nothrow) CWinHttp();
      break;
    default:
      break;
  }
  return *client != nullptr;
}
