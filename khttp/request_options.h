// The options of a request, and the headers of a response: an ordered list of name/value pairs.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace khttp {

/// Option names the stream and its callers share. Names starting with "_" are pseudo-options
/// that never become header lines.
namespace http_options {
inline constexpr char kRequestMethod[] = "_request_method";
inline constexpr char kHttpVersion[] = "_http_version";
inline constexpr char kRequestBody[] = "_request_body";
inline constexpr char kStatusCode[] = "_status_code";
inline constexpr char kPath[] = "_path";
inline constexpr char kUrl[] = "_url";
inline constexpr char kHost[] = "Host";
inline constexpr char kAccept[] = "Accept";
inline constexpr char kRange[] = "Range";
inline constexpr char kCookie[] = "Cookie";
inline constexpr char kReferer[] = "Referer";
inline constexpr char kUserAgent[] = "User-Agent";
inline constexpr char kContentType[] = "Content-Type";
inline constexpr char kContentLength[] = "Content-Length";
inline constexpr char kContentRange[] = "Content-Range";
inline constexpr char kConnection[] = "Connection";
inline constexpr char kProxyConnection[] = "Proxy-Connection";
inline constexpr char kAcceptEncoding[] = "Accept-Encoding";
inline constexpr char kTransferEncoding[] = "Transfer-Encoding";
inline constexpr char kContentEncoding[] = "Content-Encoding";
}  // namespace http_options

/// Name/value pairs in insertion order (a name may appear more than once) plus the
/// fake-continue flag, which is copied with the list.
class RequestOptions {
 public:
  using Option = std::pair<std::string, std::string>;

  /// Appends the pair at the end.
  void Insert(const std::string& name, const std::string& value);

  /// The value of the first pair whose name equals `name` ignoring ASCII letter case.
  bool Find(const std::string& name, std::string& value) const;

  /// Erases the first pair whose name equals `name` exactly (case included); nothing otherwise.
  void Remove(const std::string& name);

  void Clear() { options_.clear(); }

  bool FakeContinue() const { return fake_continue_; }
  void FakeContinue(bool fake_continue) { fake_continue_ = fake_continue; }

  /// The pairs in insertion order.
  const std::vector<Option>& Options() const { return options_; }
  bool Empty() const { return options_.empty(); }
  std::size_t Size() const { return options_.size(); }

 private:
  std::vector<Option> options_;
  bool fake_continue_ = false;
};

}  // namespace khttp
