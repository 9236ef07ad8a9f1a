// A plain TCP connection, reached by resolving a host name.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <memory>

#include "khttp/transport.h"

namespace khttp {

/// A TCP socket with its own resolver. Closing it while it resolves or connects abandons the
/// attempt: the pending handler runs with operation_aborted.
class tcp_transport : public socket_transport, public std::enable_shared_from_this<tcp_transport> {
 public:
  explicit tcp_transport(boost::asio::io_context& io);

  boost::asio::any_io_executor get_executor() override;
  std::size_t ReadSome(const boost::asio::mutable_buffer& buffer,
                       boost::system::error_code& ec) override;
  std::size_t WriteSome(const boost::asio::const_buffer& buffer,
                        boost::system::error_code& ec) override;
  void AsyncReadSome(const boost::asio::mutable_buffer& buffer, io_handler handler) override;
  void AsyncWriteSome(const boost::asio::const_buffer& buffer, io_handler handler) override;
  void Close(boost::system::error_code& ec) override;
  bool IsOpen() const override;

  /// Connects with TCP no-delay set: a request head goes out as soon as it is written.
  void Connect(const std::string& host, int port, boost::system::error_code& ec) override;
  void AsyncConnect(const std::string& host, int port, done_handler handler) override;
  boost::asio::ip::address_v4 ResolveV4(const std::string& host,
                                        boost::system::error_code& ec) override;
  void AsyncResolveV4(
      const std::string& host,
      std::function<void(const boost::system::error_code&, boost::asio::ip::address_v4)> handler)
      override;

 private:
  void on_resolve(const boost::system::error_code& ec,
                  const boost::asio::ip::tcp::resolver::results_type& endpoints,
                  const done_handler& handler);
  void on_connect(const boost::system::error_code& ec, const done_handler& handler);

  boost::asio::ip::tcp::resolver resolver_;
  boost::asio::ip::tcp::socket socket_;
  bool closed_ = false;  // Close came while resolving: the socket is not open yet
};

}  // namespace khttp
