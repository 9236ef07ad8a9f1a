#include "tests/support/memory_transport.h"

#include <algorithm>
#include <boost/asio/post.hpp>
#include <cstring>

namespace kvtest {

namespace asio_error = boost::asio::error;
using boost::system::error_code;

bool fail_count::Fail(error_code& ec) {
  if (steps_++ != failing_step_) return false;
  ec = error_;
  return true;
}

memory_transport::memory_transport(boost::asio::io_context& io, peer_script script,
                                   std::shared_ptr<fail_count> fail, std::size_t piece)
    : io_(io),
      turns_(std::move(script.turns)),
      fail_(std::move(fail)),
      piece_(std::max<std::size_t>(piece, 1)) {
  if (turns_.empty()) turns_.emplace_back();
}

bool memory_transport::Failed(error_code& ec) { return fail_ && fail_->Fail(ec); }

std::size_t memory_transport::ReadSome(const boost::asio::mutable_buffer& buffer, error_code& ec) {
  ec.clear();
  if (!open_) {
    ec = asio_error::bad_descriptor;
    return 0;
  }
  if (buffer.size() == 0) return 0;
  if (Failed(ec)) return 0;
  const std::string& turn = turns_[turn_];
  if (read_ == turn.size()) {
    if (turn_ + 1 < turns_.size()) {
      ec = asio_error::would_block;
    } else {
      ec = asio_error::eof;
    }
    return 0;
  }
  const std::size_t bytes = std::min({buffer.size(), piece_, turn.size() - read_});
  std::memcpy(buffer.data(), turn.data() + read_, bytes);
  read_ += bytes;
  return bytes;
}

std::size_t memory_transport::WriteSome(const boost::asio::const_buffer& buffer, error_code& ec) {
  ec.clear();
  if (!open_) {
    ec = asio_error::bad_descriptor;
    return 0;
  }
  if (buffer.size() == 0) return 0;
  if (Failed(ec)) return 0;
  if (read_ == turns_[turn_].size() && turn_ + 1 < turns_.size()) {
    ++turn_;
    read_ = 0;
  }
  written_.append(static_cast<const char*>(buffer.data()), buffer.size());
  return buffer.size();
}

// The asynchronous forms do their work when the io context runs them, so that a Close in
// between aborts them as it would a socket's.
void memory_transport::AsyncReadSome(const boost::asio::mutable_buffer& buffer,
                                     khttp::io_handler handler) {
  boost::asio::post(io_, [self = shared_from_this(), buffer, handler = std::move(handler)] {
    if (self->closed_) return handler(asio_error::operation_aborted, 0);
    error_code ec;
    const std::size_t bytes = self->ReadSome(buffer, ec);
    handler(ec, bytes);
  });
}

void memory_transport::AsyncWriteSome(const boost::asio::const_buffer& buffer,
                                      khttp::io_handler handler) {
  boost::asio::post(io_, [self = shared_from_this(), buffer, handler = std::move(handler)] {
    if (self->closed_) return handler(asio_error::operation_aborted, 0);
    error_code ec;
    const std::size_t bytes = self->WriteSome(buffer, ec);
    handler(ec, bytes);
  });
}

void memory_transport::Close(error_code& ec) {
  ec.clear();
  open_ = false;
  closed_ = true;
}

void memory_transport::Connect(const std::string& host, int port, error_code& ec) {
  ec.clear();
  connected_to_ = host + ":" + std::to_string(port);
  if (Failed(ec)) return;
  open_ = true;
}

void memory_transport::AsyncConnect(const std::string& host, int port,
                                    khttp::done_handler handler) {
  boost::asio::post(io_, [self = shared_from_this(), host, port, handler = std::move(handler)] {
    if (self->closed_) return handler(asio_error::operation_aborted);
    error_code ec;
    self->Connect(host, port, ec);
    handler(ec);
  });
}

boost::asio::ip::address_v4 memory_transport::ResolveV4(const std::string&, error_code& ec) {
  ec.clear();
  if (Failed(ec)) return {};
  return boost::asio::ip::address_v4::loopback();
}

void memory_transport::AsyncResolveV4(
    const std::string& host,
    std::function<void(const error_code&, boost::asio::ip::address_v4)> handler) {
  boost::asio::post(io_, [self = shared_from_this(), host, handler = std::move(handler)] {
    if (self->closed_) return handler(asio_error::operation_aborted, {});
    error_code ec;
    const auto address = self->ResolveV4(host, ec);
    handler(ec, address);
  });
}

memory_network::memory_network(boost::asio::io_context& io, std::vector<peer_script> scripts,
                               std::shared_ptr<fail_count> fail, std::size_t piece)
    : io_(io), scripts_(std::move(scripts)), fail_(std::move(fail)), piece_(piece) {}

khttp::transport_factory memory_network::Factory() {
  return [this]() -> std::shared_ptr<khttp::socket_transport> {
    const std::size_t index = connections_.size();
    auto connection = std::make_shared<memory_transport>(
        io_, index < scripts_.size() ? scripts_[index] : peer_script(""), fail_, piece_);
    connections_.push_back(connection);
    return connection;
  };
}

std::string memory_network::Written(std::size_t index) const {
  return index < connections_.size() ? connections_[index]->Written() : std::string();
}

}  // namespace kvtest
