// Drives an http_stream in either form for the integration tests.
#pragma once

#include <boost/asio/io_context.hpp>
#include <functional>
#include <memory>
#include <string>

#include "khttp/http_stream.h"

namespace kvtest {

enum class stream_form { blocking, async };
inline constexpr stream_form kStreamForms[] = {stream_form::blocking, stream_form::async};
inline const char* Name(stream_form form) {
  return form == stream_form::blocking ? "blocking" : "async";
}

/// One stream on its own io context; the asynchronous calls run the context until they are done.
class stream_driver {
 public:
  explicit stream_driver(stream_form form) : form_(form), stream_(io_) {}

  khttp::http_stream& stream() { return stream_; }

  boost::system::error_code Open(const std::string& url) {
    if (form_ == stream_form::blocking) {
      boost::system::error_code ec;
      stream_.Open(khttp::ParsedUrl(url), ec);
      return ec;
    }
    return Run([&](khttp::http_stream::open_handler done) {
      stream_.AsyncOpen(khttp::ParsedUrl(url), std::move(done));
    });
  }

  boost::system::error_code Request(const khttp::RequestOptions& options) {
    if (form_ == stream_form::blocking) {
      boost::system::error_code ec;
      stream_.Request(options, ec);
      return ec;
    }
    return Run([&](khttp::http_stream::open_handler done) {
      stream_.AsyncRequest(options, std::move(done));
    });
  }

  /// The body up to its end, read in 2048-byte pieces as the segmented downloader reads.
  std::string ReadBody(boost::system::error_code& ec) {
    std::string body;
    char piece[2048];
    if (form_ == stream_form::blocking) {
      for (;;) {
        const std::size_t bytes = stream_.ReadSome(boost::asio::buffer(piece), ec);
        body.append(piece, bytes);
        if (bytes == 0 || ec) return body;
      }
    }
    std::function<void()> next;
    next = [&] {
      stream_.AsyncReadSome(boost::asio::buffer(piece),
                            [&](const boost::system::error_code& error, std::size_t bytes) {
                              body.append(piece, bytes);
                              ec = error;
                              if (bytes > 0 && !error) next();
                            });
    };
    next();
    io_.restart();
    io_.run();
    return body;
  }

 private:
  template <typename Start>
  boost::system::error_code Run(Start start) {
    boost::system::error_code result = boost::asio::error::would_block;
    start([&](const boost::system::error_code& ec) { result = ec; });
    io_.restart();
    io_.run();
    return result;
  }

  stream_form form_;
  boost::asio::io_context io_;
  khttp::http_stream stream_;
};

}  // namespace kvtest
