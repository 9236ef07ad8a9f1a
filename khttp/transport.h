// The bytes of one connection, whatever carries them: a TCP socket, a TLS session over another
// transport, or (in tests) memory.
#pragma once

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/buffer.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/system/error_code.hpp>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace khttp {

using io_handler = std::function<void(const boost::system::error_code&, std::size_t)>;
using done_handler = std::function<void(const boost::system::error_code&)>;

/// A byte stream with blocking and asynchronous reads and writes. Asynchronous handlers are never
/// run from inside the call that starts them; they run on the transport's executor. One read and
/// one write may be pending at a time. An implementation keeps itself alive (shared_from_this)
/// while an operation is pending, so dropping the last outside reference is safe.
class transport {
 public:
  virtual ~transport() = default;

  virtual boost::asio::any_io_executor get_executor() = 0;

  /// Reads at least one byte unless `buffer` is empty or an error (eof at the end) comes.
  virtual std::size_t ReadSome(const boost::asio::mutable_buffer& buffer,
                               boost::system::error_code& ec) = 0;
  virtual std::size_t WriteSome(const boost::asio::const_buffer& buffer,
                                boost::system::error_code& ec) = 0;
  virtual void AsyncReadSome(const boost::asio::mutable_buffer& buffer, io_handler handler) = 0;
  virtual void AsyncWriteSome(const boost::asio::const_buffer& buffer, io_handler handler) = 0;

  /// Closes the connection; pending operations end with operation_aborted.
  virtual void Close(boost::system::error_code& ec) = 0;
  virtual bool IsOpen() const = 0;
};

/// The bottom transport of a connection: it reaches a host by name and port itself, so that a
/// connection attempt in progress can be abandoned by closing the transport.
class socket_transport : public transport {
 public:
  /// Resolves `host` and connects to the first address that accepts. An empty address list is
  /// host_not_found; when every address refuses, the last connect error is returned.
  virtual void Connect(const std::string& host, int port, boost::system::error_code& ec) = 0;
  virtual void AsyncConnect(const std::string& host, int port, done_handler handler) = 0;

  /// The first IPv4 address of `host` (SOCKS4 names its target by address).
  virtual boost::asio::ip::address_v4 ResolveV4(const std::string& host,
                                                boost::system::error_code& ec) = 0;
  virtual void AsyncResolveV4(
      const std::string& host,
      std::function<void(const boost::system::error_code&, boost::asio::ip::address_v4)>
          handler) = 0;
};

/// Makes the bottom transport of each new connection of a stream.
using transport_factory = std::function<std::shared_ptr<socket_transport>()>;

/// Writes all of `bytes`; the first error ends it.
void WriteAll(transport& connection, const std::string& bytes, boost::system::error_code& ec);
/// Reads exactly `buffer.size()` bytes; the first error ends it (eof when the peer closed early).
void ReadExactly(transport& connection, const boost::asio::mutable_buffer& buffer,
                 boost::system::error_code& ec);

/// The same, asynchronously. `bytes` and the memory behind `buffer` must stay alive and
/// unchanged until the handler runs.
void AsyncWriteAll(const std::shared_ptr<transport>& connection, const std::string& bytes,
                   done_handler handler);
void AsyncReadExactly(const std::shared_ptr<transport>& connection,
                      const boost::asio::mutable_buffer& buffer, done_handler handler);

}  // namespace khttp
