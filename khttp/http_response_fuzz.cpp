// Fuzz target: a server reply of any bytes read by an http_stream over an in-memory connection,
// through the status line and header block parser, the body reader and the chunked decoder.
// The first input byte picks the form and how the reply is cut into reads:
//   bit 0      asynchronous (else blocking)
//   bits 1-3   bytes per read: 1, 2, 3, 7, 16, 64, 4096, everything
//   bit 4      ask for keep-alive, and send a second request when the body ends cleanly
//   bit 5      HEAD instead of GET
#include <boost/asio/io_context.hpp>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "khttp/http_stream.h"
#include "tests/support/memory_transport.h"

namespace {

constexpr std::size_t kPieces[] = {1,  2,  3,    7,
                                   16, 64, 4096, std::numeric_limits<std::size_t>::max()};

struct driver {
  driver(bool async, std::size_t piece, std::string reply)
      : async(async),
        network(io, {kvtest::peer_script{std::move(reply), "HTTP/1.1 200 OK\r\n\r\n"}}, nullptr,
                piece),
        stream(io, network.Factory()) {}

  boost::system::error_code Open() {
    boost::system::error_code ec;
    if (!async) {
      stream.Open(khttp::ParsedUrl("http://fuzz.example/a/b"), ec);
      return ec;
    }
    stream.AsyncOpen(khttp::ParsedUrl("http://fuzz.example/a/b"),
                     [&](const boost::system::error_code& error) { ec = error; });
    io.run();
    io.restart();
    return ec;
  }

  boost::system::error_code Request(const khttp::RequestOptions& options) {
    boost::system::error_code ec;
    if (!async) {
      stream.Request(options, ec);
      return ec;
    }
    stream.AsyncRequest(options, [&](const boost::system::error_code& error) { ec = error; });
    io.run();
    io.restart();
    return ec;
  }

  // Reads the body in odd-sized pieces until its end; bounded, as the reply is.
  boost::system::error_code DrainBody() {
    char piece[13];
    boost::system::error_code ec;
    for (int reads = 0; reads < 100000; ++reads) {
      std::size_t bytes = 0;
      if (!async) {
        bytes = stream.ReadSome(boost::asio::buffer(piece), ec);
      } else {
        stream.AsyncReadSome(boost::asio::buffer(piece),
                             [&](const boost::system::error_code& error, std::size_t got) {
                               ec = error;
                               bytes = got;
                             });
        io.run();
        io.restart();
      }
      if (bytes == 0 || ec) break;
    }
    return ec;
  }

  bool async;
  boost::asio::io_context io;
  kvtest::memory_network network;
  khttp::http_stream stream;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  driver run(mode & 1, kPieces[(mode >> 1) & 7],
             std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  khttp::RequestOptions options;
  if (mode & 16) options.Insert("Connection", "keep-alive");
  if (mode & 32) options.Insert("_request_method", "HEAD");
  run.stream.SetRequestOptions(options);
  run.stream.SetMaxRedirects(1);
  if (run.Open()) return 0;
  if (!run.DrainBody() && (mode & 16) && run.stream.KeepAlive() && !run.Request(options)) {
    run.DrainBody();
  }
  return 0;
}
