// A small TCP server of our own on loopback, for what real servers do not do on purpose:
// broken status lines, folded headers, bad chunk framing, short bodies, odd SOCKS answers.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvtest {

/// Listens on 127.0.0.1 on a free port and runs `serve` for each connection, one after the
/// other, on its own thread. The destructor stops it.
class scripted_server {
 public:
  using connection_handler = std::function<void(boost::asio::ip::tcp::socket&)>;

  explicit scripted_server(connection_handler serve);
  ~scripted_server();
  scripted_server(const scripted_server&) = delete;
  scripted_server& operator=(const scripted_server&) = delete;

  int Port() const { return port_; }

 private:
  void Run();

  boost::asio::io_context io_;
  boost::asio::ip::tcp::acceptor acceptor_;
  connection_handler serve_;
  int port_ = 0;
  bool stopping_ = false;
  std::mutex stopping_lock_;
  std::thread thread_;
};

/// An HTTP server with one scripted reply per request path: it reads the request head, writes
/// the raw reply of that path ("{port}" replaced by the server's port; 404 for an unknown path)
/// and closes the connection. Request heads are recorded.
class scripted_http_server {
 public:
  explicit scripted_http_server(std::map<std::string, std::string> replies);

  int Port() const { return server_.Port(); }
  std::string Url(const std::string& path) const;
  /// The request heads received so far, in order.
  std::vector<std::string> Requests();

 private:
  void Serve(boost::asio::ip::tcp::socket& socket);

  std::map<std::string, std::string> replies_;
  std::mutex requests_lock_;
  std::vector<std::string> requests_;
  scripted_server server_;  // last: it stops before the replies go
};

}  // namespace kvtest
