// Connections to scripted peers held in memory, for the HTTP stream's tests and fuzz target.
#pragma once

#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "khttp/transport.h"

namespace kvtest {

/// Makes the Nth step (resolve, connect, read or write) of everything that shares it fail with
/// `error`, as Beast's test::fail_count does; counting starts at 0.
class fail_count {
 public:
  explicit fail_count(std::size_t failing_step,
                      boost::system::error_code error = boost::asio::error::connection_reset)
      : failing_step_(failing_step), error_(error) {}

  /// Counts one step; true, with `ec` set, for the failing one.
  bool Fail(boost::system::error_code& ec);
  std::size_t Steps() const { return steps_; }
  const boost::system::error_code& Error() const { return error_; }

 private:
  std::size_t failing_step_;
  boost::system::error_code error_;
  std::size_t steps_ = 0;
};

/// What a scripted peer says on one connection, in turns: the next turn becomes readable once
/// the stream has read all of the current one and writes again (a request after a body). After
/// the last turn the peer closes (eof); reading on while it waits for a request is would_block.
struct peer_script {
  peer_script(const char* reply) : turns{reply} {}
  peer_script(std::string reply) : turns{std::move(reply)} {}
  peer_script(std::initializer_list<std::string> replies) : turns(replies) {}
  std::vector<std::string> turns;
};

/// A connection to a scripted peer, `piece` bytes per read at most. What the stream writes is
/// collected. Every name resolves to 127.0.0.1.
class memory_transport : public khttp::socket_transport,
                         public std::enable_shared_from_this<memory_transport> {
 public:
  memory_transport(boost::asio::io_context& io, peer_script script,
                   std::shared_ptr<fail_count> fail = nullptr,
                   std::size_t piece = std::numeric_limits<std::size_t>::max());

  /// Everything the stream wrote.
  const std::string& Written() const { return written_; }
  /// "host:port" of the Connect call.
  const std::string& ConnectedTo() const { return connected_to_; }

  boost::asio::any_io_executor get_executor() override { return io_.get_executor(); }
  std::size_t ReadSome(const boost::asio::mutable_buffer& buffer,
                       boost::system::error_code& ec) override;
  std::size_t WriteSome(const boost::asio::const_buffer& buffer,
                        boost::system::error_code& ec) override;
  void AsyncReadSome(const boost::asio::mutable_buffer& buffer, khttp::io_handler handler) override;
  void AsyncWriteSome(const boost::asio::const_buffer& buffer, khttp::io_handler handler) override;
  void Close(boost::system::error_code& ec) override;
  bool IsOpen() const override { return open_; }
  void Connect(const std::string& host, int port, boost::system::error_code& ec) override;
  void AsyncConnect(const std::string& host, int port, khttp::done_handler handler) override;
  boost::asio::ip::address_v4 ResolveV4(const std::string& host,
                                        boost::system::error_code& ec) override;
  void AsyncResolveV4(
      const std::string& host,
      std::function<void(const boost::system::error_code&, boost::asio::ip::address_v4)> handler)
      override;

 private:
  bool Failed(boost::system::error_code& ec);

  boost::asio::io_context& io_;
  std::vector<std::string> turns_;
  std::size_t turn_ = 0;
  std::size_t read_ = 0;  // of the current turn
  std::shared_ptr<fail_count> fail_;
  std::size_t piece_;
  std::string written_;
  std::string connected_to_;
  bool open_ = false;
  bool closed_ = false;
};

/// Hands a stream one memory transport per connection, the scripts in order (a peer that
/// closes at once when they run out), all sharing one fail_count.
class memory_network {
 public:
  memory_network(boost::asio::io_context& io, std::vector<peer_script> scripts,
                 std::shared_ptr<fail_count> fail = nullptr,
                 std::size_t piece = std::numeric_limits<std::size_t>::max());

  khttp::transport_factory Factory();
  const std::vector<std::shared_ptr<memory_transport>>& Connections() const { return connections_; }
  /// What the stream wrote on connection `index`; empty when there was none.
  std::string Written(std::size_t index) const;

 private:
  boost::asio::io_context& io_;
  std::vector<peer_script> scripts_;
  std::shared_ptr<fail_count> fail_;
  std::size_t piece_;
  std::vector<std::shared_ptr<memory_transport>> connections_;
};

}  // namespace kvtest
