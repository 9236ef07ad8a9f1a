#include "khttp/socks.h"

#include <boost/asio/error.hpp>
#include <vector>

#include "khttp/http_error.h"

namespace khttp {
namespace {

namespace asio_error = boost::asio::error;
using boost::system::error_code;

constexpr unsigned char kSocks4 = 4;
constexpr unsigned char kSocks5 = 5;
constexpr unsigned char kConnectCommand = 1;
constexpr unsigned char kNoAuthentication = 0;
constexpr unsigned char kUsernamePassword = 2;
constexpr unsigned char kAuthenticationVersion = 1;
constexpr unsigned char kAddressIpv4 = 1;
constexpr unsigned char kAddressDomain = 3;
constexpr unsigned char kAddressIpv6 = 4;
constexpr std::size_t kMaxField = 255;

void AppendPort(std::string& out, int port) {
  out += static_cast<char>((port >> 8) & 0xFF);
  out += static_cast<char>(port & 0xFF);
}

// Asynchronous SOCKS exchange, one step per message.
class socks_op : public std::enable_shared_from_this<socks_op> {
 public:
  socks_op(std::shared_ptr<socket_transport> connection, ProxySettings proxy, std::string host,
           int port, done_handler handler)
      : connection_(std::move(connection)),
        proxy_(std::move(proxy)),
        host_(std::move(host)),
        port_(port),
        handler_(std::move(handler)) {}

  void start() {
    if (proxy_.kind == ProxyKind::Socks4) {
      connection_->AsyncResolveV4(host_, bind(&socks_op::on_target_resolved));
      return;
    }
    message_ = Socks5Greeting(proxy_.username);
    AsyncWriteAll(connection_, message_, bind(&socks_op::on_greeting_written));
  }

 private:
  template <typename... Args>
  std::function<void(Args...)> bind(void (socks_op::*step)(Args...)) {
    return [self = shared_from_this(), step](Args... args) { ((*self).*step)(args...); };
  }

  void on_target_resolved(const error_code& ec, boost::asio::ip::address_v4 target) {
    if (ec) return handler_(ec);
    message_ = Socks4Request(target, port_, proxy_.username);
    AsyncWriteAll(connection_, message_, bind(&socks_op::on_socks4_request_written));
  }

  void on_socks4_request_written(const error_code& ec) {
    if (ec) return handler_(ec);
    AsyncReadExactly(connection_, boost::asio::buffer(socks4_reply_),
                     bind(&socks_op::on_socks4_reply));
  }

  void on_socks4_reply(const error_code& ec) {
    if (ec) return handler_(ec);
    handler_(Socks4ReplyError(socks4_reply_));
  }

  void on_greeting_written(const error_code& ec) {
    if (ec) return handler_(ec);
    AsyncReadExactly(connection_, boost::asio::buffer(short_reply_), bind(&socks_op::on_method));
  }

  void on_method(const error_code& ec) {
    if (ec) return handler_(ec);
    bool authenticate = false;
    if (const auto error = Socks5MethodError(short_reply_, proxy_.username, authenticate)) {
      return handler_(error);
    }
    if (!authenticate) return send_connect_request();
    error_code invalid;
    message_ = Socks5Authentication(proxy_.username, proxy_.password, invalid);
    if (invalid) return handler_(invalid);
    AsyncWriteAll(connection_, message_, bind(&socks_op::on_authentication_written));
  }

  void on_authentication_written(const error_code& ec) {
    if (ec) return handler_(ec);
    AsyncReadExactly(connection_, boost::asio::buffer(short_reply_),
                     bind(&socks_op::on_authentication_reply));
  }

  void on_authentication_reply(const error_code& ec) {
    if (ec) return handler_(ec);
    if (const auto error = Socks5AuthenticationError(short_reply_)) return handler_(error);
    send_connect_request();
  }

  void send_connect_request() {
    error_code invalid;
    message_ = Socks5ConnectRequest(host_, port_, invalid);
    if (invalid) return handler_(invalid);
    AsyncWriteAll(connection_, message_, bind(&socks_op::on_connect_request_written));
  }

  void on_connect_request_written(const error_code& ec) {
    if (ec) return handler_(ec);
    AsyncReadExactly(connection_, boost::asio::buffer(connect_reply_),
                     bind(&socks_op::on_connect_reply));
  }

  void on_connect_reply(const error_code& ec) {
    if (ec) return handler_(ec);
    std::size_t rest = 0;
    if (const auto error = Socks5ReplyError(connect_reply_, rest)) return handler_(error);
    if (rest == 0) return handler_(error_code());
    bound_address_.resize(rest);
    AsyncReadExactly(connection_, boost::asio::buffer(bound_address_),
                     bind(&socks_op::on_bound_address));
  }

  void on_bound_address(const error_code& ec) { handler_(ec); }

  std::shared_ptr<socket_transport> connection_;
  ProxySettings proxy_;
  std::string host_;
  int port_;
  done_handler handler_;
  std::string message_;
  std::array<unsigned char, 8> socks4_reply_{};
  std::array<unsigned char, 2> short_reply_{};
  std::array<unsigned char, 10> connect_reply_{};
  std::vector<unsigned char> bound_address_;
};

}  // namespace

std::string Socks4Request(const boost::asio::ip::address_v4& target, int port,
                          const std::string& user_id) {
  std::string out{static_cast<char>(kSocks4), static_cast<char>(kConnectCommand)};
  AppendPort(out, port);
  for (unsigned char byte : target.to_bytes()) out += static_cast<char>(byte);
  out += user_id;
  out += '\0';
  return out;
}

error_code Socks4ReplyError(const std::array<unsigned char, 8>& reply) {
  switch (reply[1]) {
    case 90:
      return {};
    case 91:
      return http_error::socks_authentication_error;
    case 92:
      return http_error::socks_no_identd;
    case 93:
      return http_error::socks_identd_error;
    default:
      return http_error::socks_general_failure;
  }
}

std::string Socks5Greeting(const std::string& username) {
  if (username.empty()) return std::string{kSocks5, 1, kNoAuthentication};
  return std::string{kSocks5, 2, kNoAuthentication, kUsernamePassword};
}

error_code Socks5MethodError(const std::array<unsigned char, 2>& reply, const std::string& username,
                             bool& authenticate) {
  authenticate = false;
  if (reply[0] != kSocks5) return http_error::socks_unsupported_version;
  if (reply[1] == kNoAuthentication) return {};
  if (reply[1] != kUsernamePassword) return http_error::socks_unsupported_authentication_version;
  if (username.empty()) return http_error::socks_username_required;
  authenticate = true;
  return {};
}

std::string Socks5Authentication(const std::string& username, const std::string& password,
                                 error_code& ec) {
  ec.clear();
  if (username.size() > kMaxField || password.size() > kMaxField) {
    ec = boost::system::errc::make_error_code(boost::system::errc::invalid_argument);
    return {};
  }
  std::string out{static_cast<char>(kAuthenticationVersion)};
  out += static_cast<char>(username.size());
  out += username;
  out += static_cast<char>(password.size());
  out += password;
  return out;
}

error_code Socks5AuthenticationError(const std::array<unsigned char, 2>& reply) {
  if (reply[0] != kAuthenticationVersion) {
    return http_error::socks_unsupported_authentication_version;
  }
  if (reply[1] != 0) return http_error::socks_authentication_error;
  return {};
}

std::string Socks5ConnectRequest(const std::string& host, int port, error_code& ec) {
  ec.clear();
  if (host.empty() || host.size() > kMaxField) {
    ec = boost::system::errc::make_error_code(boost::system::errc::invalid_argument);
    return {};
  }
  std::string out{static_cast<char>(kSocks5), static_cast<char>(kConnectCommand), 0,
                  static_cast<char>(kAddressDomain)};
  out += static_cast<char>(host.size());
  out += host;
  AppendPort(out, port);
  return out;
}

error_code Socks5ReplyError(const std::array<unsigned char, 10>& reply, std::size_t& rest) {
  rest = 0;
  if (reply[0] != kSocks5) return http_error::socks_unsupported_version;
  switch (reply[1]) {
    case 0:
      break;
    case 1:
      return http_error::socks_general_failure;
    case 2:
      return asio_error::no_permission;
    case 3:
      return asio_error::network_unreachable;
    case 4:
      return asio_error::host_unreachable;
    case 5:
      return asio_error::connection_refused;
    case 6:
      return asio_error::timed_out;
    case 7:
      return http_error::socks_command_not_supported;
    case 8:
      return asio_error::address_family_not_supported;
    default:
      return http_error::socks_general_failure;
  }
  // The reply ends with the bound address: 4 bytes (IPv4), a length byte and a name, or 16 bytes
  // (IPv6), then 2 port bytes. The first 10 bytes hold all of an IPv4 reply.
  switch (reply[3]) {
    case kAddressIpv4:
      return {};
    case kAddressDomain:
      if (reply[4] < 3) return http_error::socks_general_failure;
      rest = reply[4] - 3u;
      return {};
    case kAddressIpv6:
      rest = 12;
      return {};
    default:
      return asio_error::address_family_not_supported;
  }
}

void SocksHandshake(socket_transport& connection, const ProxySettings& proxy,
                    const std::string& host, int port, error_code& ec) {
  if (proxy.kind == ProxyKind::Socks4) {
    const auto target = connection.ResolveV4(host, ec);
    if (ec) return;
    WriteAll(connection, Socks4Request(target, port, proxy.username), ec);
    if (ec) return;
    std::array<unsigned char, 8> reply{};
    ReadExactly(connection, boost::asio::buffer(reply), ec);
    if (ec) return;
    ec = Socks4ReplyError(reply);
    return;
  }
  WriteAll(connection, Socks5Greeting(proxy.username), ec);
  if (ec) return;
  std::array<unsigned char, 2> short_reply{};
  ReadExactly(connection, boost::asio::buffer(short_reply), ec);
  if (ec) return;
  bool authenticate = false;
  ec = Socks5MethodError(short_reply, proxy.username, authenticate);
  if (ec) return;
  if (authenticate) {
    const std::string message = Socks5Authentication(proxy.username, proxy.password, ec);
    if (ec) return;
    WriteAll(connection, message, ec);
    if (ec) return;
    ReadExactly(connection, boost::asio::buffer(short_reply), ec);
    if (ec) return;
    ec = Socks5AuthenticationError(short_reply);
    if (ec) return;
  }
  const std::string request = Socks5ConnectRequest(host, port, ec);
  if (ec) return;
  WriteAll(connection, request, ec);
  if (ec) return;
  std::array<unsigned char, 10> reply{};
  ReadExactly(connection, boost::asio::buffer(reply), ec);
  if (ec) return;
  std::size_t rest = 0;
  ec = Socks5ReplyError(reply, rest);
  if (ec || rest == 0) return;
  std::vector<unsigned char> bound_address(rest);
  ReadExactly(connection, boost::asio::buffer(bound_address), ec);
}

void AsyncSocksHandshake(const std::shared_ptr<socket_transport>& connection,
                         const ProxySettings& proxy, const std::string& host, int port,
                         done_handler handler) {
  std::make_shared<socks_op>(connection, proxy, host, port, std::move(handler))->start();
}

}  // namespace khttp
