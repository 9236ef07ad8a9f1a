#include "khttp/transport.h"

namespace khttp {
namespace {

// Repeats a partial asynchronous operation until the whole buffer is done.
class transfer_all_op : public std::enable_shared_from_this<transfer_all_op> {
 public:
  enum class direction { read, write };

  transfer_all_op(std::shared_ptr<transport> connection, direction way, char* data,
                  std::size_t size, done_handler handler)
      : connection_(std::move(connection)),
        way_(way),
        data_(data),
        size_(size),
        handler_(std::move(handler)) {}

  void start() { next(); }

 private:
  void next() {
    auto self = shared_from_this();
    auto on_part = [self](const boost::system::error_code& ec, std::size_t bytes) {
      self->on_part(ec, bytes);
    };
    if (way_ == direction::read) {
      connection_->AsyncReadSome(boost::asio::buffer(data_ + done_, size_ - done_), on_part);
    } else {
      connection_->AsyncWriteSome(boost::asio::buffer(data_ + done_, size_ - done_), on_part);
    }
  }

  void on_part(const boost::system::error_code& ec, std::size_t bytes) {
    if (ec) return handler_(ec);
    done_ += bytes;
    if (done_ >= size_) return handler_(ec);
    next();
  }

  std::shared_ptr<transport> connection_;
  direction way_;
  char* data_;
  std::size_t size_;
  std::size_t done_ = 0;
  done_handler handler_;
};

}  // namespace

void WriteAll(transport& connection, const std::string& bytes, boost::system::error_code& ec) {
  ec.clear();
  std::size_t written = 0;
  while (written < bytes.size()) {
    written += connection.WriteSome(
        boost::asio::buffer(bytes.data() + written, bytes.size() - written), ec);
    if (ec) return;
  }
}

void ReadExactly(transport& connection, const boost::asio::mutable_buffer& buffer,
                 boost::system::error_code& ec) {
  ec.clear();
  auto* data = static_cast<char*>(buffer.data());
  std::size_t done = 0;
  while (done < buffer.size()) {
    done += connection.ReadSome(boost::asio::buffer(data + done, buffer.size() - done), ec);
    if (ec) return;
  }
}

void AsyncWriteAll(const std::shared_ptr<transport>& connection, const std::string& bytes,
                   done_handler handler) {
  // An empty write still completes through the executor, never inline.
  std::make_shared<transfer_all_op>(connection, transfer_all_op::direction::write,
                                    const_cast<char*>(bytes.data()), bytes.size(),
                                    std::move(handler))
      ->start();
}

void AsyncReadExactly(const std::shared_ptr<transport>& connection,
                      const boost::asio::mutable_buffer& buffer, done_handler handler) {
  std::make_shared<transfer_all_op>(connection, transfer_all_op::direction::read,
                                    static_cast<char*>(buffer.data()), buffer.size(),
                                    std::move(handler))
      ->start();
}

}  // namespace khttp
