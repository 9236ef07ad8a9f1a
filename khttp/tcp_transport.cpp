#include "khttp/tcp_transport.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/post.hpp>

namespace khttp {
namespace {

using boost::asio::ip::tcp;

// Only address families configured on this machine: no IPv6 attempt on a host without IPv6.
constexpr auto kResolveFlags = tcp::resolver::address_configured;

// The first IPv4 address among resolver results.
boost::asio::ip::address_v4 FirstV4(const tcp::resolver::results_type& results,
                                    boost::system::error_code& ec) {
  for (const auto& entry : results) {
    const auto address = entry.endpoint().address();
    if (address.is_v4()) return address.to_v4();
  }
  ec = boost::asio::error::host_not_found;
  return {};
}

}  // namespace

tcp_transport::tcp_transport(boost::asio::io_context& io) : resolver_(io), socket_(io) {}

boost::asio::any_io_executor tcp_transport::get_executor() { return socket_.get_executor(); }

std::size_t tcp_transport::ReadSome(const boost::asio::mutable_buffer& buffer,
                                    boost::system::error_code& ec) {
  return socket_.read_some(buffer, ec);
}

std::size_t tcp_transport::WriteSome(const boost::asio::const_buffer& buffer,
                                     boost::system::error_code& ec) {
  return socket_.write_some(buffer, ec);
}

void tcp_transport::AsyncReadSome(const boost::asio::mutable_buffer& buffer, io_handler handler) {
  socket_.async_read_some(
      buffer, [self = shared_from_this(), handler = std::move(handler)](
                  const boost::system::error_code& ec, std::size_t bytes) { handler(ec, bytes); });
}

void tcp_transport::AsyncWriteSome(const boost::asio::const_buffer& buffer, io_handler handler) {
  socket_.async_write_some(
      buffer, [self = shared_from_this(), handler = std::move(handler)](
                  const boost::system::error_code& ec, std::size_t bytes) { handler(ec, bytes); });
}

void tcp_transport::Close(boost::system::error_code& ec) {
  ec.clear();
  closed_ = true;
  resolver_.cancel();
  if (socket_.is_open()) socket_.close(ec);
}

bool tcp_transport::IsOpen() const { return socket_.is_open(); }

void tcp_transport::Connect(const std::string& host, int port, boost::system::error_code& ec) {
  const auto endpoints = resolver_.resolve(host, std::to_string(port), kResolveFlags, ec);
  if (ec) return;
  if (endpoints.empty()) {
    ec = boost::asio::error::host_not_found;
    return;
  }
  boost::asio::connect(socket_, endpoints, ec);
  if (ec) return;
  boost::system::error_code ignored;
  socket_.set_option(tcp::no_delay(true), ignored);
}

void tcp_transport::AsyncConnect(const std::string& host, int port, done_handler handler) {
  closed_ = false;
  resolver_.async_resolve(
      host, std::to_string(port), kResolveFlags,
      [self = shared_from_this(), handler = std::move(handler)](
          const boost::system::error_code& ec, const tcp::resolver::results_type& endpoints) {
        self->on_resolve(ec, endpoints, handler);
      });
}

void tcp_transport::on_resolve(const boost::system::error_code& ec,
                               const tcp::resolver::results_type& endpoints,
                               const done_handler& handler) {
  if (ec) return handler(ec);
  if (closed_) return handler(boost::asio::error::operation_aborted);
  if (endpoints.empty()) return handler(boost::asio::error::host_not_found);
  boost::asio::async_connect(socket_, endpoints,
                             [self = shared_from_this(), handler](
                                 const boost::system::error_code& ec, const tcp::endpoint&) {
                               self->on_connect(ec, handler);
                             });
}

void tcp_transport::on_connect(const boost::system::error_code& ec, const done_handler& handler) {
  if (ec) return handler(ec);
  boost::system::error_code ignored;
  socket_.set_option(tcp::no_delay(true), ignored);
  handler(ec);
}

boost::asio::ip::address_v4 tcp_transport::ResolveV4(const std::string& host,
                                                     boost::system::error_code& ec) {
  const auto results = resolver_.resolve(tcp::v4(), host, "0", ec);
  if (ec) return {};
  return FirstV4(results, ec);
}

void tcp_transport::AsyncResolveV4(
    const std::string& host,
    std::function<void(const boost::system::error_code&, boost::asio::ip::address_v4)> handler) {
  resolver_.async_resolve(
      tcp::v4(), host, "0",
      [self = shared_from_this(), handler = std::move(handler)](
          boost::system::error_code ec, const tcp::resolver::results_type& results) {
        if (ec) return handler(ec, {});
        const auto address = FirstV4(results, ec);
        handler(ec, address);
      });
}

}  // namespace khttp
