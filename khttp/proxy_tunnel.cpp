#include "khttp/proxy_tunnel.h"

#include "khttp/http_error.h"
#include "khttp/response_head_reader.h"

namespace khttp {
namespace {

using boost::system::error_code;

enum class head_outcome { done, interim };

// Looks at one complete head at the front of `received` and consumes it.
head_outcome TakeHead(std::string& received, std::size_t head_size, tunnel_answer& answer,
                      error_code& ec) {
  answer.raw_head.assign(received, 0, head_size);
  received.erase(0, head_size);
  ec = ParseResponseHead(answer.raw_head, answer.head);
  if (ec) return head_outcome::done;
  const int status = answer.head.line.status;
  if (status == http_status::kContinue) return head_outcome::interim;
  if (status != http_status::kOk) {
    ec = make_status_error(status);
  } else if (!received.empty()) {
    ec = http_error::malformed_response_headers;
  }
  return head_outcome::done;
}

class tunnel_op : public std::enable_shared_from_this<tunnel_op> {
 public:
  tunnel_op(std::shared_ptr<transport> connection, std::string request, tunnel_handler handler)
      : connection_(std::move(connection)),
        request_(std::move(request)),
        handler_(std::move(handler)) {}

  void start() {
    AsyncWriteAll(connection_, request_,
                  [self = shared_from_this()](const error_code& ec) { self->on_written(ec); });
  }

 private:
  void on_written(const error_code& ec) {
    if (ec) return handler_(ec, answer_);
    read_head();
  }

  void read_head() {
    AsyncReadResponseHead(connection_, received_,
                          [self = shared_from_this()](const error_code& ec, std::size_t head_size) {
                            self->on_head(ec, head_size);
                          });
  }

  void on_head(const error_code& ec, std::size_t head_size) {
    if (ec) return handler_(ec, answer_);
    error_code result;
    if (TakeHead(received_, head_size, answer_, result) == head_outcome::interim) {
      return read_head();
    }
    handler_(result, answer_);
  }

  std::shared_ptr<transport> connection_;
  std::string request_;
  tunnel_handler handler_;
  std::string received_;
  tunnel_answer answer_;
};

}  // namespace

void OpenTunnel(transport& connection, const std::string& request, tunnel_answer& answer,
                error_code& ec) {
  WriteAll(connection, request, ec);
  if (ec) return;
  std::string received;
  for (;;) {
    std::size_t head_size = 0;
    ReadResponseHead(connection, received, head_size, ec);
    if (ec) return;
    if (TakeHead(received, head_size, answer, ec) == head_outcome::done) return;
  }
}

void AsyncOpenTunnel(const std::shared_ptr<transport>& connection, std::string request,
                     tunnel_handler handler) {
  std::make_shared<tunnel_op>(connection, std::move(request), std::move(handler))->start();
}

}  // namespace khttp
