// An HTTP file server of our own that serves one file with ranges and keep-alive, each
// connection on its own thread, and misbehaves on request: for the downloader's fault matrix.
#pragma once

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

/// What the server does with one request.
enum class range_fault {
  none,            // the right answer
  reset_midway,    // half of the body, then the connection is reset
  stall,           // the head, then nothing until the server stops
  silent,          // not even a head
  status_503,      // 503 Service Unavailable
  status_429,      // 429 Too Many Requests
  status_403,      // 403 Forbidden
  whole_file_200,  // 200 with the whole file, the range ignored
  short_body,      // the right head, half the body, then the connection closes
  long_range,      // a range one byte longer than asked, body to match
  shifted_range,   // a Content-Range starting one byte later than asked
  wrong_total,     // a Content-Range total one larger
  slow,            // the right answer at 32 KiB per second
};

/// One request as the server saw it.
struct range_request {
  int number = 0;      // 0-based over the server's life
  int connection = 0;  // 0-based connection number
  int concurrent = 0;  // connections open when its connection was accepted (itself included)
  bool has_range = false;
  std::int64_t first = 0;  // the Range asked for, inclusive ("bytes=F-" gives the last byte)
  std::int64_t last = 0;
  std::string if_range;  // empty when not sent
  std::string head;
};

class range_server {
 public:
  using policy = std::function<range_fault(const range_request&)>;

  /// Serves `content` as any path, with ETag `etag` (none when empty) and a fixed
  /// Last-Modified. `faults` decides each request's fate (null: always none).
  range_server(std::string content, std::string etag = "\"v1\"", policy faults = nullptr);
  ~range_server();
  range_server(const range_server&) = delete;
  range_server& operator=(const range_server&) = delete;

  std::string Url(const std::string& path = "/file.bin") const;
  /// A new version of the file (and ETag) for the requests from now on.
  void Replace(std::string content, std::string etag);
  void SetPolicy(policy faults);
  /// Turns a no-ETag/no-date server: nothing an If-Range could name.
  void SetValidators(bool send);
  /// Sends bodies at about this many bytes per second per connection (0: as fast as it can).
  void SetThrottle(std::int64_t bytes_per_second) { throttle_ = bytes_per_second; }
  std::vector<range_request> Requests();
  /// Bytes of file content sent so far (range bodies and whole files).
  std::int64_t BodyBytesSent() const { return body_bytes_.load(); }

 private:
  void Accept();
  void Serve(std::shared_ptr<boost::asio::ip::tcp::socket> socket, int connection);
  bool Stopping() const { return stopping_.load(); }

  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  int port_ = 0;
  std::mutex lock_;  // guards everything below that is not atomic
  std::string content_;
  std::string etag_;
  bool validators_ = true;
  policy faults_;
  std::vector<range_request> requests_;
  std::list<std::weak_ptr<boost::asio::ip::tcp::socket>> sockets_;
  std::vector<std::thread> threads_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> open_connections_{0};
  std::atomic<std::int64_t> body_bytes_{0};
  std::atomic<std::int64_t> throttle_{0};
  std::thread accept_thread_;
};

}  // namespace kvtest
