#include "khttp/response_head_reader.h"

#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>

#include "khttp/http_error.h"
#include "khttp/http_response_parser.h"

namespace khttp {
namespace {

constexpr std::size_t kReadSize = 4096;

// What a scan result means: done (`complete`), an error, or read on.
bool Judge(head_scanner::result result, boost::system::error_code& ec) {
  switch (result) {
    case head_scanner::result::complete:
      return true;
    case head_scanner::result::malformed_status:
      ec = http_error::malformed_status_line;
      return true;
    case head_scanner::result::too_long:
      ec = http_error::malformed_response_headers;
      return true;
    case head_scanner::result::need_more:
      return false;
  }
  return false;
}

// A read error while the head is incomplete.
boost::system::error_code HeadReadError(const boost::system::error_code& ec,
                                        const head_scanner& scanner) {
  if (ec == boost::asio::error::eof && scanner.SawStatusLine()) {
    return http_error::malformed_response_headers;
  }
  return ec;
}

class head_read_op : public std::enable_shared_from_this<head_read_op> {
 public:
  head_read_op(std::shared_ptr<transport> connection, std::string& received,
               std::function<void(const boost::system::error_code&, std::size_t)> handler)
      : connection_(std::move(connection)), received_(received), handler_(std::move(handler)) {}

  // A head that is already there completes through the executor, never inline.
  void start() {
    std::size_t head_size = 0;
    boost::system::error_code ec;
    if (Judge(scanner_.Scan(received_, head_size), ec)) {
      boost::asio::post(connection_->get_executor(), [self = shared_from_this(), ec, head_size] {
        self->handler_(ec, head_size);
      });
      return;
    }
    read();
  }

 private:
  void scan() {
    std::size_t head_size = 0;
    boost::system::error_code ec;
    if (Judge(scanner_.Scan(received_, head_size), ec)) return handler_(ec, head_size);
    read();
  }

  void read() {
    kept_ = received_.size();
    received_.resize(kept_ + kReadSize);
    connection_->AsyncReadSome(
        boost::asio::buffer(&received_[kept_], kReadSize),
        [self = shared_from_this()](const boost::system::error_code& ec, std::size_t bytes) {
          self->on_read(ec, bytes);
        });
  }

  void on_read(const boost::system::error_code& ec, std::size_t bytes) {
    received_.resize(kept_ + bytes);
    if (ec) return handler_(HeadReadError(ec, scanner_), 0);
    scan();
  }

  std::shared_ptr<transport> connection_;
  std::string& received_;
  std::function<void(const boost::system::error_code&, std::size_t)> handler_;
  head_scanner scanner_;
  std::size_t kept_ = 0;
};

}  // namespace

void ReadResponseHead(transport& connection, std::string& received, std::size_t& head_size,
                      boost::system::error_code& ec) {
  ec.clear();
  head_scanner scanner;
  for (;;) {
    if (Judge(scanner.Scan(received, head_size), ec)) return;
    const std::size_t kept = received.size();
    received.resize(kept + kReadSize);
    const std::size_t bytes =
        connection.ReadSome(boost::asio::buffer(&received[kept], kReadSize), ec);
    received.resize(kept + bytes);
    if (ec) {
      ec = HeadReadError(ec, scanner);
      return;
    }
  }
}

void AsyncReadResponseHead(
    const std::shared_ptr<transport>& connection, std::string& received,
    std::function<void(const boost::system::error_code&, std::size_t)> handler) {
  std::make_shared<head_read_op>(connection, received, std::move(handler))->start();
}

}  // namespace khttp
