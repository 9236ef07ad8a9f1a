// The socket transport: plain HTTP/1.1 GET over one TCP connection (IPv4), written with
// Boost.Asio so that it is the same code on both systems. Every wait is bounded.
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>

#include "platform/text.h"
#include "tool/http_client.h"
#include "tool/http_client_detail.h"

namespace {

using boost::asio::ip::tcp;
using boost::system::error_code;
using http_client_detail::ClientUrl;

constexpr auto kReceiveLimit = std::chrono::milliseconds(10000);
constexpr auto kConnectLimit = std::chrono::milliseconds(10000);
constexpr int kMaxRedirects = 10;

class CHttpSocket final : public ISocketHttp {
 public:
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
  std::wstring GetIpAddress() override { return address_; }

  bool DownloadFile(const std::wstring& url, const std::wstring& path) override {
    // By way of UTF-8: a path made from wide text would convert it through the C locale, which
    // throws on every name outside ASCII.
    const std::filesystem::path file_path = std::filesystem::u8path(platform::WideToUtf8(path));
    bool created = false;
    try {
      ClientUrl parts = Open(url, false);
      std::string body;
      ReadHead(false, parts, body);
      const std::string length_text = response_.GetField("Content-Length");
      if (length_text.empty()) throw kHttpErrorQuery;
      const double length = std::strtod(length_text.c_str(), nullptr);
      std::error_code ignored;
      std::filesystem::remove(file_path, ignored);
      std::ofstream file(file_path, std::ios::binary | std::ios::trunc);
      if (!file) throw kHttpErrorCreateFile;
      created = true;
      double done = 0;
      for (;;) {
        if (!body.empty()) {
          const double room = length - done;
          if (static_cast<double>(body.size()) > room) body.resize(static_cast<std::size_t>(room));
          if (!file.write(body.data(), static_cast<std::streamsize>(body.size()))) {
            throw kHttpErrorWriteFile;
          }
          done += static_cast<double>(body.size());
          Progress(0, length, done);
        }
        if (done >= length) break;
        body = Receive();
        if (body.empty()) throw kHttpErrorRead;  // closed before the length was reached
      }
      if (!file.flush()) throw kHttpErrorWriteFile;
      Progress(2, length, done);
      Disconnect();
      return true;
    } catch (HttpInterfaceError error) {
      last_error_ = error;
      Disconnect();
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
      ClientUrl parts;
      try {
        parts = Open(url, true);
      } catch (HttpInterfaceError error) {
        // Connecting failures read as one in the memory form.
        throw error == kHttpErrorSend ? error : kHttpErrorRequest;
      }
      std::string body;
      ReadHead(true, parts, body);
      const std::string length_text = response_.GetField("Content-Length");
      long long length = 0;
      for (char c : length_text) {
        if (c < '0' || c > '9' || length > kHttpMemoryLimit) break;
        length = length * 10 + (c - '0');
      }
      if (length < 1 || length > kHttpMemoryLimit) throw kHttpErrorTooLarge;
      std::unique_ptr<char[]> data(new (std::nothrow) char[static_cast<std::size_t>(length)]);
      if (!data) throw kHttpErrorTooLarge;
      std::size_t filled = 0;
      const auto want = static_cast<std::size_t>(length);
      for (;;) {
        const std::size_t take = std::min(body.size(), want - filled);
        std::copy(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(take),
                  data.get() + filled);
        filled += take;
        if (filled == want) break;
        body = Receive();
        if (body.empty()) throw kHttpErrorRead;  // shorter than announced
      }
      Disconnect();
      *buffer = data.release();
      *size = static_cast<int>(filled);
      return true;
    } catch (HttpInterfaceError error) {
      last_error_ = error;
      Disconnect();
      return false;
    }
  }

 private:
  void Progress(int state, double total, double done) {
    if (callback_ != nullptr) callback_->OnProgress(user_value_, state, total, done);
  }

  // Connects to the URL's host and sends the GET; the split URL.
  ClientUrl Open(const std::wstring& url, bool memory) {
    const ClientUrl parts = http_client_detail::SplitClientUrl(platform::WideToUtf8(url));
    // Plain HTTP only: an https address (port 443 by default) is refused without a connection.
    if (parts.secure || parts.port == 443) throw kHttpErrorConnect;
    if (parts.host.empty() || parts.port <= 0) throw kHttpErrorResolve;
    Connect(parts);
    SendRequest(parts.path);
    return parts;
  }

  void Connect(const ClientUrl& parts) {
    Disconnect();
    status_ = 0;
    error_code ec;
    tcp::resolver resolver(io_);
    tcp::resolver::results_type endpoints;
    bool resolved = false;
    resolver.async_resolve(tcp::v4(), parts.host, std::to_string(parts.port),
                           [&](const error_code& e, tcp::resolver::results_type results) {
                             ec = e;
                             endpoints = std::move(results);
                             resolved = true;
                           });
    if (!Run(resolved, kConnectLimit, [&] { resolver.cancel(); }) || ec || endpoints.empty()) {
      throw kHttpErrorResolve;
    }
    address_ = platform::Utf8ToWide(endpoints.begin()->endpoint().address().to_string());
    socket_ = std::make_unique<tcp::socket>(io_);
    bool connected = false;
    boost::asio::async_connect(*socket_, endpoints, [&](const error_code& e, const tcp::endpoint&) {
      ec = e;
      connected = true;
    });
    if (!Run(connected, kConnectLimit, [&] { socket_->close(); }) || ec) throw kHttpErrorConnect;
    header_.fields["Host"] = parts.host;
  }

  void SendRequest(const std::string& path) {
    const std::string request = header_.BuildGetRequest(path);
    error_code ec;
    bool sent = false;
    boost::asio::async_write(*socket_, boost::asio::buffer(request),
                             [&](const error_code& e, std::size_t) {
                               ec = e;
                               sent = true;
                             });
    if (!Run(sent, kReceiveLimit, [&] { socket_->close(); }) || ec) throw kHttpErrorSend;
  }

  // One block of up to 4096 bytes; empty when the connection closed.
  std::string Receive() {
    if (callback_ != nullptr && callback_->IsCancelled()) throw kHttpErrorCancelled;
    std::string block(4096, '\0');
    error_code ec;
    std::size_t got = 0;
    bool done = false;
    socket_->async_read_some(boost::asio::buffer(block), [&](const error_code& e, std::size_t n) {
      ec = e;
      got = n;
      done = true;
    });
    if (!Run(done, kReceiveLimit, [&] { socket_->close(); })) throw kHttpErrorSocket;
    if (ec == boost::asio::error::eof) return std::string();
    if (ec) throw kHttpErrorSocket;
    block.resize(got);
    return block;
  }

  // Reads the response head, following redirects; the body bytes that came with the head.
  void ReadHead(bool memory, ClientUrl parts, std::string& body) {
    for (int redirects = 0;; ++redirects) {
      std::string received = Receive();
      auto end = received.find("\r\n\r\n");
      // The memory form wants the whole head in the first block.
      while (end == std::string::npos) {
        if (memory || received.size() > std::size_t{64} * 1024) throw kHttpErrorHeadNotFound;
        const std::string more = Receive();
        if (more.empty()) throw kHttpErrorHeadNotFound;
        received += more;
        end = received.find("\r\n\r\n");
      }
      response_ = CHttpHeader();
      response_.ParseResponse(received.substr(0, end));
      status_ = response_.status;
      body = received.substr(end + 4);
      if (status_ >= 400) throw kHttpErrorStatus;
      if (status_ < 301 || status_ > 399) return;
      if (redirects >= kMaxRedirects) throw kHttpErrorStatus;
      const std::string location = response_.GetField("Location");
      const bool absolute =
          location.rfind("http://", 0) == 0 || (memory && location.rfind("https://", 0) == 0);
      if (absolute) {
        parts = Open(platform::Utf8ToWide(location), memory);
      } else {
        if (location.empty()) throw kHttpErrorStatus;
        parts.path = location.front() == '/' ? location : "/" + location;
        // The answer's body is skipped only when its length says how far; otherwise anew.
        Connect(parts);
        SendRequest(parts.path);
      }
    }
  }

  template <typename Cancel>
  bool Run(const bool& done, std::chrono::milliseconds limit, Cancel cancel) {
    io_.restart();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done && std::chrono::steady_clock::now() < deadline) {
      io_.run_one_until(deadline);
      if (io_.stopped()) io_.restart();
    }
    if (done) return true;
    cancel();
    io_.restart();
    while (!done) io_.run_one();
    return false;
  }

  void Disconnect() {
    if (socket_) {
      error_code ignored;
      socket_->close(ignored);
      socket_.reset();
    }
  }

  boost::asio::io_context io_;
  std::unique_ptr<tcp::socket> socket_;
  std::wstring address_;
  CHttpHeader header_;
  CHttpHeader response_;
  IHttpProgress* callback_ = nullptr;
  int user_value_ = 0;
  int status_ = 0;
  int last_error_ = 0;

 public:
  ~CHttpSocket() override { Disconnect(); }
};

}  // namespace

namespace http_client_detail {

IHttpBase* NewSocketClient() { return new (std::nothrow) CHttpSocket(); }

}  // namespace http_client_detail
