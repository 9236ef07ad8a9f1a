// The segmented downloader: one URL into one file over several HTTP connections at once, each
// fetching its own byte range, resumable through the resume file beside the data.
#pragma once

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/system/error_code.hpp>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "khttp/disk_file.h"
#include "khttp/http_stream.h"
#include "khttp/parsed_url.h"
#include "khttp/proxy_settings.h"
#include "khttp/range_set.h"
#include "khttp/request_options.h"
#include "khttp/storage.h"

namespace khttp {

/// What a download is told before it starts; copied by `start`.
struct download_settings {
  std::int32_t rate_limit = -1;       // bytes per second for the whole download; -1 = no limit
  std::int32_t max_connections = 5;   // connections in range mode; -1 = 5
  std::int32_t piece_size = -1;       // -1 = chosen from the total size (auto_piece_size)
  std::int32_t timeout_seconds = 11;  // an open, request or read older than this is given up
  std::int32_t pieces_per_request = 10;
  std::wstring meta_path;  // the resume file; empty = the data file's path + ".cfg"
  bool use_stored_url = true;
  bool single_connection = false;
  std::wstring file_path;  // the data file
  bool verify_certificate = true;
  std::function<std::unique_ptr<storage_interface>()> storage_factory;  // null = default_storage
  RequestOptions options;  // every request starts from these
  ProxySettings proxy;
  /// Bytes one read of a connection asks for (the size of its buffer).
  std::int32_t read_size = 2048;
  /// A connection that finds nothing left to claim takes over the second half of the largest
  /// range still outstanding (when that is at least two pieces) instead of retiring.
  bool take_over_tail = true;
};

/// The piece size for a download of `total` bytes: the smallest power of two from 16 KiB up that
/// is at least total / 2048, at most 16 MiB.
std::int32_t auto_piece_size(std::int64_t total);

/// The URL as the connections use it: narrow text in the system's encoding turned into UTF-8,
/// with bytes above 0x7F, blanks and ^ ` { | } percent-escaped.
std::string prepare_download_url(const std::string& url);

/// multi_download asks for "bytes=0-" first (blocking, bounded by timeout_seconds) to learn
/// whether the server honours ranges and how large the file is. With ranges it opens up to
/// max_connections connections, each with a claimed range of pieces_per_request pieces; every
/// answer is checked against its claim before a byte of it is written, every block is written at
/// its offset and counted as written only once the storage took it. Once a second it saves the
/// resume file (when something changed), recomputes the rate, reopens connections that stalled
/// and detects the end. Without ranges the first connection reads the whole body.
///
/// All work after `start` runs on the io context, whose one thread runs every handler. `stop`,
/// `downloaded_bytes`, `total_size`, `rate` and `failure` may be called from other threads.
class multi_download {
 public:
  explicit multi_download(boost::asio::io_context& io);
  ~multi_download();
  multi_download(const multi_download&) = delete;
  multi_download& operator=(const multi_download&) = delete;

  /// Opens the first connection and queues the rest of the work on the io context. A bad URL or
  /// a bad Location value is an error too (http_error::invalid_redirect).
  void start(const std::string& url, const download_settings& settings,
             boost::system::error_code& ec);
  /// The same; a failure is raised as boost::system::system_error.
  void start(const std::string& url, const download_settings& settings);

  /// Ends the download: every connection is closed on the io thread (a stop from another thread
  /// never touches a stream that thread is using).
  void stop();
  /// Closes the resume file and drops the storage.
  void close_files();

  /// Bytes written so far (range mode: covered by the written set).
  std::int64_t downloaded_bytes() const;
  /// -1 while the server has not told it.
  std::int64_t total_size() const { return total_.load(); }
  std::int32_t rate() const { return rate_.load(); }
  /// Connections that are not finished (counted at every tick).
  std::int32_t live_connections() const { return live_.load(); }
  std::wstring file_path_of();
  /// The resume file's path.
  std::wstring meta_path() const;

  /// The error that ended the download before its end (a failed write, for one); none otherwise.
  boost::system::error_code failure() const;
  /// What `failure` says, with where it happened.
  std::string failure_text() const;
  /// True when the server's file changed under a resumed download (another total, or a full
  /// answer to an If-Range request): the partial data is useless and the download must begin
  /// anew.
  bool needs_restart() const { return restart_needed_.load(); }
  /// Whether the last start found ranges honoured.
  bool range_mode() const { return range_mode_.load(); }

 private:
  struct connection;
  using connection_ptr = std::shared_ptr<connection>;
  using clock = std::chrono::steady_clock;

  void prepare_request(connection& conn, bool with_range);
  void open_first(connection& conn, boost::system::error_code& ec);
  void async_open(std::size_t index, const connection_ptr& conn);
  void on_open(std::size_t index, const connection_ptr& conn, const boost::system::error_code& ec);
  void on_request(std::size_t index, const connection_ptr& conn,
                  const boost::system::error_code& ec);
  void on_reply(std::size_t index, const connection_ptr& conn, const boost::system::error_code& ec);
  void read_next(std::size_t index, const connection_ptr& conn);
  void on_read(std::size_t index, const connection_ptr& conn, std::size_t bytes,
               const boost::system::error_code& ec);
  void on_range_done(std::size_t index, const connection_ptr& conn);
  void on_timer(const boost::system::error_code& ec);
  void arm_timer();
  void reopen(std::size_t index, connection_ptr& conn);
  bool claim_range(byte_range& range);
  bool take_over_tail(std::size_t index, byte_range& range);
  void release_claim(connection& conn);
  void fail(const boost::system::error_code& ec, const std::string& what);
  void finish();
  void close_all_connections();
  void save_meta();
  bool load_meta(std::string& problem);
  bool validators_match(const std::string& etag, const std::string& last_modified) const;
  std::string if_range_value() const;

  boost::asio::io_context& io_;
  // One TLS context (one loaded trust store) for every connection of a download.
  std::shared_ptr<tls_context> tls_;
  std::vector<connection_ptr> connections_;
  mutable std::mutex connections_lock_;
  ParsedUrl final_url_;
  std::atomic<bool> range_mode_{false};
  bool keep_alive_ = false;
  bool chunked_ = false;
  std::atomic<std::int64_t> total_{-1};
  std::wstring data_path_;
  download_settings settings_;
  boost::asio::steady_timer timer_;
  bool timer_armed_ = false;
  std::atomic<std::int32_t> tick_bytes_{0};
  std::atomic<std::int32_t> rate_{0};
  std::atomic<std::int32_t> live_{0};
  std::unique_ptr<storage_interface> storage_;
  std::string last_saved_meta_;
  range_set claimed_;
  std::mutex claim_lock_;
  mutable range_set written_;
  std::atomic<std::int64_t> single_written_{0};
  std::int64_t budget_ = -1;
  std::vector<std::pair<std::size_t, connection_ptr>> waiting_for_budget_;
  std::atomic<bool> abort_{true};
  std::atomic<bool> restart_needed_{false};
  std::string etag_;
  std::string last_modified_;
  mutable std::mutex failure_lock_;
  boost::system::error_code failure_;
  std::string failure_text_;
};

}  // namespace khttp
