#include "tests/servers/scripted_server.h"

#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>

namespace kvtest {

using boost::asio::ip::tcp;

scripted_server::scripted_server(connection_handler serve)
    : acceptor_(io_, tcp::endpoint(boost::asio::ip::address_v4::loopback(), 0)),
      serve_(std::move(serve)),
      port_(acceptor_.local_endpoint().port()),
      thread_([this] { Run(); }) {}

scripted_server::~scripted_server() {
  {
    std::lock_guard<std::mutex> lock(stopping_lock_);
    stopping_ = true;
  }
  // Wake the blocking accept with a connection of our own.
  boost::system::error_code ignored;
  tcp::socket wake(io_);
  wake.connect(tcp::endpoint(boost::asio::ip::address_v4::loopback(), port_), ignored);
  thread_.join();
}

void scripted_server::Run() {
  for (;;) {
    tcp::socket socket(io_);
    boost::system::error_code ec;
    acceptor_.accept(socket, ec);
    {
      std::lock_guard<std::mutex> lock(stopping_lock_);
      if (stopping_) return;
    }
    if (ec) continue;
    serve_(socket);
    socket.shutdown(tcp::socket::shutdown_both, ec);
    socket.close(ec);
  }
}

scripted_http_server::scripted_http_server(std::map<std::string, std::string> replies)
    : replies_(std::move(replies)), server_([this](tcp::socket& socket) { Serve(socket); }) {}

std::string scripted_http_server::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(Port()) + path;
}

std::vector<std::string> scripted_http_server::Requests() {
  std::lock_guard<std::mutex> lock(requests_lock_);
  return requests_;
}

void scripted_http_server::Serve(tcp::socket& socket) {
  boost::asio::streambuf request;
  boost::system::error_code ec;
  const std::size_t head_size = boost::asio::read_until(socket, request, "\r\n\r\n", ec);
  if (ec) return;
  const std::string head(static_cast<const char*>(request.data().data()), head_size);
  {
    std::lock_guard<std::mutex> lock(requests_lock_);
    requests_.push_back(head);
  }
  const auto first_blank = head.find(' ');
  const auto second_blank = head.find(' ', first_blank + 1);
  const std::string path = head.substr(first_blank + 1, second_blank - first_blank - 1);
  const auto found = replies_.find(path);
  std::string reply = found == replies_.end()
                          ? "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"
                          : found->second;
  const std::string port = std::to_string(Port());
  for (auto at = reply.find("{port}"); at != std::string::npos; at = reply.find("{port}", at)) {
    reply.replace(at, 6, port);
  }
  boost::asio::write(socket, boost::asio::buffer(reply), ec);
}

}  // namespace kvtest
