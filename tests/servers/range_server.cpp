#include "tests/servers/range_server.h"

#include <algorithm>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <cstdio>

namespace kvtest {

using boost::asio::ip::tcp;

namespace {

constexpr char kLastModified[] = "Tue, 01 Dec 2026 10:00:00 GMT";

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::string lower_head = head;
  std::string lower_name = name;
  for (auto* text : {&lower_head, &lower_name}) {
    for (char& c : *text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  const auto at = lower_head.find("\r\n" + lower_name + ":");
  if (at == std::string::npos) return "";
  auto start = at + 2 + name.size() + 1;
  while (start < head.size() && head[start] == ' ') ++start;
  const auto end = head.find("\r\n", start);
  return head.substr(start, end - start);
}

}  // namespace

range_server::range_server(std::string content, std::string etag, policy faults)
    : acceptor_(io_, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)),
      port_(acceptor_.local_endpoint().port()),
      content_(std::move(content)),
      etag_(std::move(etag)),
      faults_(std::move(faults)),
      accept_thread_([this] { Accept(); }) {}

range_server::~range_server() {
  stopping_ = true;
  boost::system::error_code ignored;
  {
    tcp::socket wake(io_);
    wake.connect(tcp::endpoint(boost::asio::ip::address_v4::loopback(), port_), ignored);
  }
  accept_thread_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> lock(lock_);
    for (auto& weak : sockets_) {
      if (auto socket = weak.lock()) socket->shutdown(tcp::socket::shutdown_both, ignored);
    }
    threads.swap(threads_);
  }
  for (auto& thread : threads) thread.join();
}

std::string range_server::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void range_server::Replace(std::string content, std::string etag) {
  std::lock_guard<std::mutex> lock(lock_);
  content_ = std::move(content);
  etag_ = std::move(etag);
}

void range_server::SetPolicy(policy faults) {
  std::lock_guard<std::mutex> lock(lock_);
  faults_ = std::move(faults);
}

void range_server::SetValidators(bool send) {
  std::lock_guard<std::mutex> lock(lock_);
  validators_ = send;
}

std::vector<range_request> range_server::Requests() {
  std::lock_guard<std::mutex> lock(lock_);
  return requests_;
}

void range_server::Accept() {
  for (int connection = 0;; ++connection) {
    auto socket = std::make_shared<tcp::socket>(io_);
    boost::system::error_code ec;
    acceptor_.accept(*socket, ec);
    if (Stopping()) return;
    if (ec) continue;
    std::lock_guard<std::mutex> lock(lock_);
    sockets_.push_back(socket);
    threads_.emplace_back([this, socket, connection] { Serve(socket, connection); });
  }
}

void range_server::Serve(std::shared_ptr<tcp::socket> socket, int connection) {
  const int concurrent = ++open_connections_;
  boost::asio::streambuf input;
  boost::system::error_code ec;
  while (!Stopping()) {
    const std::size_t head_size = boost::asio::read_until(*socket, input, "\r\n\r\n", ec);
    if (ec) break;
    const std::string head(static_cast<const char*>(input.data().data()), head_size);
    input.consume(head_size);

    range_request request;
    request.connection = connection;
    request.concurrent = concurrent;
    request.head = head;
    request.if_range = HeaderValue(head, "If-Range");
    std::string content;
    std::string etag;
    bool validators = true;
    policy faults;
    {
      std::lock_guard<std::mutex> lock(lock_);
      content = content_;
      etag = etag_;
      validators = validators_;
      faults = faults_;
    }
    const auto size = static_cast<std::int64_t>(content.size());
    const std::string range = HeaderValue(head, "Range");
    long long first = 0;
    long long last = -1;
    if (std::sscanf(range.c_str(), "bytes=%lld-%lld", &first, &last) >= 1) {
      request.has_range = true;
      if (last < 0 || last >= size) last = size - 1;
      request.first = first;
      request.last = last;
    }
    {
      std::lock_guard<std::mutex> lock(lock_);
      request.number = static_cast<int>(requests_.size());
      requests_.push_back(request);
    }
    const range_fault fault = faults ? faults(request) : range_fault::none;
    // If-Range that names another version: the whole file, as the standard says.
    const bool stale =
        !request.if_range.empty() && request.if_range != (etag.empty() ? kLastModified : etag);
    const bool ranged = request.has_range && !stale && fault != range_fault::whole_file_200;

    std::string validator_lines;
    if (validators) {
      if (!etag.empty()) validator_lines += "ETag: " + etag + "\r\n";
      validator_lines += std::string("Last-Modified: ") + kLastModified + "\r\n";
    }
    auto status_only = [&](const char* line) {
      const std::string reply = std::string("HTTP/1.1 ") + line + "\r\nContent-Length: 0\r\n\r\n";
      boost::asio::write(*socket, boost::asio::buffer(reply), ec);
    };
    if (fault == range_fault::silent) {
      while (!Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      break;
    }
    if (fault == range_fault::status_503) {
      status_only("503 Service Unavailable");
      if (ec) break;
      continue;
    }
    if (fault == range_fault::status_429) {
      status_only("429 Too Many Requests");
      if (ec) break;
      continue;
    }
    if (fault == range_fault::status_403) {
      status_only("403 Forbidden");
      if (ec) break;
      continue;
    }

    std::int64_t body_first = ranged ? first : 0;
    std::int64_t body_last = ranged ? last : size - 1;
    std::int64_t claimed_first = body_first;
    std::int64_t claimed_last = body_last;
    std::int64_t claimed_total = size;
    if (ranged && fault == range_fault::long_range && body_last + 1 < size) {
      ++body_last;
      claimed_last = body_last;
    }
    if (ranged && fault == range_fault::shifted_range && body_first + 1 <= body_last) {
      ++claimed_first;
    }
    if (ranged && fault == range_fault::wrong_total) ++claimed_total;
    const std::int64_t length = body_last - body_first + 1;
    std::string reply = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    reply += "Content-Length: " + std::to_string(length) + "\r\n";
    if (ranged) {
      reply += "Content-Range: bytes " + std::to_string(claimed_first) + "-" +
               std::to_string(claimed_last) + "/" + std::to_string(claimed_total) + "\r\n";
    }
    reply += validator_lines + "Accept-Ranges: bytes\r\n\r\n";
    boost::asio::write(*socket, boost::asio::buffer(reply), ec);
    if (ec) break;
    if (fault == range_fault::stall) {
      while (!Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      break;
    }
    std::int64_t to_send = length;
    const bool cut = fault == range_fault::reset_midway || fault == range_fault::short_body;
    if (cut) to_send = length / 2;
    const std::int64_t throttle =
        fault == range_fault::slow ? std::int64_t{32} * 1024 : throttle_.load();
    const std::int64_t block = throttle > 0 ? std::max<std::int64_t>(throttle / 20, 1) : to_send;
    for (std::int64_t sent = 0; sent < to_send && !ec && !Stopping();) {
      const std::int64_t part = std::min(block, to_send - sent);
      boost::asio::write(
          *socket,
          boost::asio::buffer(content.data() + body_first + sent, static_cast<std::size_t>(part)),
          ec);
      sent += part;
      body_bytes_ += part;
      if (throttle > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ec) break;
    if (fault == range_fault::reset_midway) {
      socket->set_option(boost::asio::socket_base::linger(true, 0), ec);
      socket->close(ec);
      break;
    }
    if (fault == range_fault::short_body) break;
  }
  boost::system::error_code ignored;
  socket->shutdown(tcp::socket::shutdown_both, ignored);
  --open_connections_;
}

}  // namespace kvtest
