#include "khttp/multi_download.h"

#include <algorithm>
#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>
#include <boost/system/system_error.hpp>
#include <cctype>
#include <cstdio>

#include "khttp/http_error.h"
#include "khttp/range_reply.h"
#include "khttp/resume_file.h"
#include "khttp/tls.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace khttp {

/// One connection of a download. The list and every pending handler share it; when the timer
/// reopens a connection it puts a fresh copy with a new stream in the list, and handlers of the
/// old copy find themselves no longer listed and do nothing.
struct multi_download::connection {
  std::shared_ptr<http_stream> stream;
  std::vector<char> buffer;
  byte_range request_range;  // inclusive
  bool has_range = false;
  std::int64_t transferred = 0;  // bytes of request_range received since it was assigned
  std::int64_t downloaded = 0;
  clock::time_point last_request_time{};
  bool stamped = false;  // an unstamped connection never counts as expired
  boost::system::error_code last_error;
  bool done = false;
  bool out_of_work = false;  // done because nothing was left to claim
  bool direct_reconnect = false;
  bool idle = false;            // no operation pending: it waits for the timer
  bool whole_body = false;      // connection 0 still reading the "bytes=0-" body
  bool body_left_over = false;  // its answer runs past a range that was cut short
  bool sent_if_range = false;
  byte_range asked;  // the range of the request on the wire (a taken-over tail shortens the claim)
  int failures = 0;  // attempts in a row that ended without a byte
  int reply_faults = 0;  // answers in a row that did not match their range
  int refusals = 0;      // 429 or 503 answers in a row
  clock::time_point not_before{};

  void stamp() {
    last_request_time = clock::now();
    stamped = true;
  }
  std::int64_t next_byte() const { return request_range.left + transferred; }
  std::int64_t outstanding() const { return has_range ? request_range.right - next_byte() + 1 : 0; }
};

namespace {

using boost::system::error_code;

// Connections that fail this many times in a row without receiving a byte give up; their
// claims go back to the others. The job then ends incomplete rather than retrying forever.
constexpr int kMaxFailures = 5;
// Answers that do not match their range before a connection gives up.
constexpr int kMaxReplyFaults = 3;
// 429/503 answers in a row after which a connection retires while others still download.
constexpr int kRefusalsBeforeRetiring = 2;
constexpr int kMaxRefusals = 8;
constexpr auto kMaxBackOff = std::chrono::seconds(30);

bool IsStatus(const error_code& ec, int status) {
  return ec.category() == http_category() && ec.value() == status;
}

bool IsRefusal(const error_code& ec) { return IsStatus(ec, 429) || IsStatus(ec, 503); }

bool RetiresForGood(const error_code& ec) {
  return IsStatus(ec, http_status::kForbidden) || IsStatus(ec, http_status::kNotFound) ||
         IsStatus(ec, http_status::kMethodNotAllowed);
}

std::string RangeValue(std::int64_t from, std::int64_t to) {
  char text[64];
  std::snprintf(text, sizeof(text), "bytes=%lld-%lld", static_cast<long long>(from),
                static_cast<long long>(to));
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Header(const RequestOptions& options, const char* name) {
  std::string value;
  options.Find(name, value);
  return value;
}

bool ParseLength(const std::string& text, std::int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::int32_t auto_piece_size(std::int64_t total) {
  const std::int64_t wanted = total / 2048;
  std::int64_t piece = 16384;
  while (wanted > piece && piece < 16777216) piece *= 2;
  return static_cast<std::int32_t>(piece);
}

std::string prepare_download_url(const std::string& url) {
  const std::string utf8 = platform::WideToUtf8(platform::NarrowToWide(url));
  static const char kHex[] = "0123456789abcdef";
  std::string prepared;
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte == ' ' || byte == '^' || byte == '`' || byte == '{' || byte == '|' ||
        byte == '}') {
      prepared += '%';
      prepared += kHex[byte >> 4];
      prepared += kHex[byte & 15];
    } else {
      prepared += c;
    }
  }
  return prepared;
}

multi_download::multi_download(boost::asio::io_context& io) : io_(io), timer_(io) {}

multi_download::~multi_download() = default;

void multi_download::start(const std::string& url, const download_settings& settings) {
  error_code ec;
  start(url, settings, ec);
  if (ec) throw boost::system::system_error(ec);
}

void multi_download::start(const std::string& url, const download_settings& settings,
                           error_code& ec) {
  ec.clear();
  {
    std::lock_guard<std::mutex> lock(connections_lock_);
    connections_.clear();
  }
  total_ = -1;
  settings_ = settings;
  if (settings_.read_size <= 0) settings_.read_size = 2048;
  if (settings_.timeout_seconds <= 0) settings_.timeout_seconds = 11;
  data_path_.clear();
  range_mode_ = false;
  keep_alive_ = false;
  chunked_ = false;
  single_written_ = 0;
  tick_bytes_ = 0;
  rate_ = 0;
  last_saved_meta_.clear();
  waiting_for_budget_.clear();
  restart_needed_ = false;
  etag_.clear();
  last_modified_.clear();
  claimed_.reset(0);
  written_.reset(0);
  {
    std::lock_guard<std::mutex> lock(failure_lock_);
    failure_.clear();
    failure_text_.clear();
  }
  final_url_ = ParsedUrl::FromString(prepare_download_url(url), ec);
  if (ec) return;
  tls_ = MakeTlsContext();

  // The first connection asks for everything from byte 0: the answer tells whether ranges are
  // honoured and how large the file is, and its body is the start of the file either way.
  auto first = std::make_shared<connection>();
  first->stream = std::make_shared<http_stream>(io_, tls_);
  first->buffer.resize(static_cast<std::size_t>(settings_.read_size));
  RequestOptions first_options = settings_.options;
  first_options.Insert(http_options::kRange, "bytes=0-");
  first_options.Insert(http_options::kConnection, "keep-alive");
  first->stream->SetProxy(settings_.proxy);
  first->stream->SetRequestOptions(first_options);
  first->stream->SetCheckCertificate(settings_.verify_certificate);
  open_first(*first, ec);
  if (ec) return;

  if (!first->stream->Location().empty()) {
    error_code location_ec;
    final_url_ = ParsedUrl::FromString(first->stream->Location(), location_ec);
    if (location_ec) {
      ec = make_error_code(http_error::invalid_redirect);
      return;
    }
  }
  const RequestOptions response = first->stream->ResponseOptions();
  etag_ = Header(response, "ETag");
  last_modified_ = Header(response, "Last-Modified");
  chunked_ =
      Lower(Header(response, http_options::kTransferEncoding)).find("chunked") != std::string::npos;
  const bool partial = Header(response, http_options::kStatusCode) == "206";
  std::int64_t total = -1;
  if (partial) {
    // The body is written from offset 0: an answer that starts anywhere else must not be.
    std::int64_t first_byte = 0;
    std::int64_t last_byte = 0;
    if (!parse_content_range(Header(response, http_options::kContentRange), first_byte, last_byte,
                             total) ||
        first_byte != 0 || last_byte != total - 1) {
      ec = make_error_code(http_error::range_mismatch);
      return;
    }
  } else if (!ParseLength(Header(response, http_options::kContentLength), total)) {
    total = -1;
  }
  range_mode_ = partial && !settings_.single_connection && total > 0;
  if (total >= 0) {
    total_ = total;
    claimed_.reset(total);
    written_.reset(total);
  }

  bool resumed = false;
  if (range_mode_) {
    keep_alive_ = first->stream->KeepAlive();
    if (settings_.meta_path.empty()) settings_.meta_path = file_path_of() + L".cfg";
    std::string problem;
    resumed = load_meta(problem);
    if (!resumed) platform::DeleteFileIfExists(settings_.meta_path);
  }
  // Without a usable record the partial file holds nothing known to be good: begin it anew, so
  // that bytes of an older download never survive past this one's end.
  if (!resumed) platform::DeleteFileIfExists(file_path_of());

  if (range_mode_ && written_.full()) return;  // complete already: nothing to fetch

  storage_.reset();
  storage_ =
      settings_.storage_factory ? settings_.storage_factory() : std::make_unique<default_storage>();
  storage_->open(file_path_of(), ec);
  if (ec) {
    storage_.reset();
    return;
  }

  budget_ = settings_.rate_limit;
  if (settings_.max_connections <= 0) settings_.max_connections = 5;
  if (settings_.pieces_per_request <= 0) settings_.pieces_per_request = 10;
  if (settings_.piece_size <= 0 && total_ > 0) settings_.piece_size = auto_piece_size(total_);

  abort_ = false;
  {
    std::lock_guard<std::mutex> lock(connections_lock_);
    connections_.push_back(first);
  }
  if (range_mode_) {
    byte_range range;
    if (!claim_range(range)) {
      first->done = true;
      error_code ignored;
      first->stream->Close(ignored);
    } else {
      first->request_range = range;
      first->has_range = true;
      if (range.left == 0) {
        first->whole_body = true;
        read_next(0, first);
      } else {
        prepare_request(*first, true);
        error_code close_ec;
        first->stream->Close(close_ec);
        async_open(0, first);
      }
    }
    for (int index = 1; index < settings_.max_connections; ++index) {
      if (!claim_range(range)) break;
      auto conn = std::make_shared<connection>();
      conn->stream = std::make_shared<http_stream>(io_, tls_);
      conn->buffer.resize(static_cast<std::size_t>(settings_.read_size));
      conn->request_range = range;
      conn->has_range = true;
      prepare_request(*conn, true);
      {
        std::lock_guard<std::mutex> lock(connections_lock_);
        connections_.push_back(conn);
      }
      async_open(connections_.size() - 1, conn);
    }
  } else {
    first->request_range = {0, total_ > 0 ? total_ - 1 : 0};
    read_next(0, first);
  }
  arm_timer();
}

void multi_download::open_first(connection& conn, error_code& ec) {
  // The blocking open runs on the io context so that the timeout can close it: a server that
  // accepts and never answers cannot hold the job.
  bool opened = false;
  bool timed_out = false;
  bool guard_done = false;
  auto stream = conn.stream;
  boost::asio::steady_timer guard(io_);
  guard.expires_after(std::chrono::seconds(settings_.timeout_seconds));
  guard.async_wait([&](const error_code& wait_ec) {
    guard_done = true;
    if (wait_ec || opened) return;
    timed_out = true;
    error_code ignored;
    stream->Close(ignored);
  });
  stream->AsyncOpen(final_url_, [&, stream](const error_code& open_ec) {
    opened = true;
    ec = open_ec;
    guard.cancel();
  });
  io_.restart();
  while ((!opened || !guard_done) && io_.run_one() > 0) {
  }
  if (!opened) ec = boost::asio::error::operation_aborted;
  if (timed_out && ec) ec = boost::asio::error::timed_out;
  io_.restart();
  conn.stamp();
}

void multi_download::prepare_request(connection& conn, bool with_range) {
  RequestOptions options = settings_.options;
  options.Insert(http_options::kConnection, keep_alive_ ? "keep-alive" : "close");
  conn.sent_if_range = false;
  if (with_range) {
    conn.asked = {conn.next_byte(), conn.request_range.right};
    options.Insert(http_options::kRange, RangeValue(conn.asked.left, conn.asked.right));
    const std::string validator = if_range_value();
    if (!validator.empty()) {
      options.Insert("If-Range", validator);
      conn.sent_if_range = true;
    }
  }
  conn.stream->SetProxy(settings_.proxy);
  conn.stream->SetRequestOptions(options);
  conn.stream->SetCheckCertificate(settings_.verify_certificate);
  conn.stream->SetMaxRedirects(0);
}

std::string multi_download::if_range_value() const {
  // A weak ETag may not be used with If-Range; the date is the fallback.
  if (!etag_.empty() && etag_.compare(0, 2, "W/") != 0) return etag_;
  return last_modified_;
}

void multi_download::async_open(std::size_t index, const connection_ptr& conn) {
  conn->stamp();
  conn->idle = false;
  auto stream = conn->stream;
  stream->AsyncOpen(
      final_url_, [this, index, conn, stream](const error_code& ec) { on_open(index, conn, ec); });
}

void multi_download::on_open(std::size_t index, const connection_ptr& conn, const error_code& ec) {
  on_reply(index, conn, ec);
}

void multi_download::on_request(std::size_t index, const connection_ptr& conn,
                                const error_code& ec) {
  on_reply(index, conn, ec);
}

void multi_download::on_reply(std::size_t index, const connection_ptr& conn, const error_code& ec) {
  if (index >= connections_.size() || connections_[index] != conn) return;  // replaced
  if (abort_) return;
  if (ec) {
    conn->last_error = ec;
    conn->idle = true;
    if (IsRefusal(ec)) {
      ++conn->refusals;
      const auto delay = std::min<clock::duration>(
          std::chrono::seconds(1) * (1 << std::min(conn->refusals - 1, 5)), kMaxBackOff);
      conn->not_before = clock::now() + delay;
      // It waits without its socket: a server that counts connections would otherwise go on
      // counting this one and refuse the connections it does accept as well.
      error_code ignored;
      conn->stream->Close(ignored);
    }
    if (!range_mode_) finish();
    return;
  }
  if (range_mode_) {
    const error_code fault = check_range_reply(conn->stream->ResponseOptions(), conn->asked, total_,
                                               conn->sent_if_range);
    if (fault == http_error::file_changed) {
      restart_needed_ = true;
      fail(fault, "the server's file changed during the download");
      return;
    }
    if (fault) {
      // Not a byte of it is written; the connection is reopened at its timeout like any other
      // failure, and gives up after a few such answers.
      conn->last_error = fault;
      ++conn->reply_faults;
      conn->idle = true;
      error_code ignored;
      conn->stream->Close(ignored);
      return;
    }
  } else if (conn->stream->ContentLength() != -1 && conn->stream->ContentLength() != total_) {
    total_ = conn->stream->ContentLength();
    claimed_.reset(total_);
    written_.reset(total_);
  }
  conn->reply_faults = 0;
  conn->refusals = 0;
  conn->last_error.clear();
  read_next(index, conn);
}

void multi_download::read_next(std::size_t index, const connection_ptr& conn) {
  std::int64_t size = settings_.read_size;
  if (range_mode_) size = std::min(size, conn->outstanding());
  if (budget_ >= 0) {
    if (budget_ == 0) {
      // Over budget: the connection rests until the next tick refills it.
      waiting_for_budget_.emplace_back(index, conn);
      conn->stamp();
      return;
    }
    size = std::min(size, budget_);
    budget_ -= size;
  }
  conn->stamp();
  conn->idle = false;
  auto stream = conn->stream;
  stream->AsyncReadSome(boost::asio::buffer(conn->buffer.data(), static_cast<std::size_t>(size)),
                        [this, index, conn, stream](const error_code& ec, std::size_t bytes) {
                          on_read(index, conn, bytes, ec);
                        });
}

void multi_download::on_read(std::size_t index, const connection_ptr& conn, std::size_t bytes,
                             const error_code& ec) {
  if (index >= connections_.size() || connections_[index] != conn) return;  // replaced
  auto received = static_cast<std::int64_t>(bytes);
  if (range_mode_ && received > conn->outstanding()) {
    // The range was cut short for a connection that took over its tail: the rest is theirs.
    received = conn->outstanding();
    conn->body_left_over = true;
  }
  tick_bytes_ += static_cast<std::int32_t>(received);
  if (storage_ && received > 0 && (!ec || ec == boost::asio::error::eof)) {
    const std::int64_t offset = conn->next_byte();
    error_code write_ec;
    const int stored =
        storage_->write_at(conn->buffer.data(), offset, static_cast<int>(received), write_ec);
    if (stored != received) {
      if (!write_ec) write_ec = make_error_code(boost::system::errc::io_error);
      fail(write_ec, "cannot write the partial file");
      return;
    }
    // Counted only once the storage took it: the resume file never claims bytes that are not
    // on disk.
    if (range_mode_) {
      written_.add({offset, offset + received});
    } else {
      single_written_ += received;
    }
  }
  conn->transferred += received;
  conn->downloaded += received;
  if (received > 0) conn->failures = 0;
  if (abort_) return;

  if (!range_mode_) {
    const bool clean_end = bytes == 0 && (!ec || ec == boost::asio::error::eof);
    if (clean_end && total_ < 0 && chunked_) {
      // The terminating chunk proves the end of a body that came without a length.
      total_ = conn->downloaded;
    }
    if (ec || bytes == 0 || (total_ >= 0 && conn->downloaded >= total_)) {
      finish();
      return;
    }
    read_next(index, conn);
    return;
  }

  if (conn->outstanding() <= 0) {
    if (ec) conn->body_left_over = true;  // the connection cannot carry another request
    on_range_done(index, conn);
    return;
  }
  if (ec || bytes == 0) {
    // A reset or an answer shorter than its range: the rest is asked for again at the timeout.
    conn->last_error = ec ? ec : make_error_code(http_error::body_truncated);
    conn->idle = true;
    return;
  }
  read_next(index, conn);
}

void multi_download::on_range_done(std::size_t index, const connection_ptr& conn) {
  if (written_.full()) {
    finish();
    return;
  }
  conn->idle = true;
  if (!keep_alive_ || conn->whole_body || conn->body_left_over || !conn->stream->KeepAlive()) {
    // The connection cannot carry another request: a new one goes out at once with the next
    // claim, rather than at the next tick.
    std::lock_guard<std::mutex> lock(connections_lock_);
    conn->direct_reconnect = true;
    reopen(index, connections_[index]);
    return;
  }
  byte_range range;
  bool claimed = claim_range(range);
  if (!claimed) {
    std::lock_guard<std::mutex> lock(connections_lock_);
    claimed = take_over_tail(index, range);
  }
  if (!claimed) {
    conn->direct_reconnect = true;
    return;
  }
  conn->request_range = range;
  conn->transferred = 0;
  prepare_request(*conn, true);
  conn->stamp();
  conn->idle = false;
  auto stream = conn->stream;
  stream->AsyncRequest(
      stream->RequestOptionsStored(),
      [this, index, conn, stream](const error_code& ec) { on_request(index, conn, ec); });
}

bool multi_download::claim_range(byte_range& range) {
  std::lock_guard<std::mutex> lock(claim_lock_);
  const std::int64_t limit =
      static_cast<std::int64_t>(settings_.pieces_per_request) * settings_.piece_size;
  if (limit <= 0) return false;
  byte_range gap;
  if (!claimed_.first_gap(gap)) return false;
  if (gap.right - gap.left > limit) gap.right = gap.left + limit;
  if (!claimed_.add(gap)) return false;
  range = {gap.left, gap.right - 1};
  return range.right >= range.left;
}

bool multi_download::take_over_tail(std::size_t index, byte_range& range) {
  // The slow tail: rather than retire while another connection still has a long way to go,
  // take the second half of the largest range outstanding. The last percent of a download
  // then never waits on one slow connection.
  if (!settings_.take_over_tail) return false;
  const std::int64_t piece = settings_.piece_size;
  connection_ptr slowest;
  for (std::size_t i = 0; i < connections_.size(); ++i) {
    const auto& other = connections_[i];
    if (i == index || other->done || !other->has_range) continue;
    if (!slowest || other->outstanding() > slowest->outstanding()) slowest = other;
  }
  if (!slowest || piece <= 0 || slowest->outstanding() < 2 * piece) return false;
  std::int64_t split = slowest->next_byte() + slowest->outstanding() / 2;
  split = (split + piece - 1) / piece * piece;
  if (split <= slowest->next_byte() || split > slowest->request_range.right) return false;
  range = {split, slowest->request_range.right};
  slowest->request_range.right = split - 1;
  // Its answer runs on past the new end: the connection cannot carry another request.
  slowest->body_left_over = true;
  return true;
}

void multi_download::release_claim(connection& conn) {
  if (!conn.has_range || conn.outstanding() <= 0) return;
  std::lock_guard<std::mutex> lock(claim_lock_);
  claimed_.subtract({conn.next_byte(), conn.request_range.right + 1});
  conn.has_range = false;
}

void multi_download::arm_timer() {
  timer_armed_ = true;
  timer_.expires_after(std::chrono::seconds(1));
  timer_.async_wait([this](const error_code& ec) { on_timer(ec); });
}

void multi_download::on_timer(const error_code& ec) {
  timer_armed_ = false;
  if (range_mode_) save_meta();
  if (abort_ || ec) {
    close_files();
    return;
  }
  rate_ = static_cast<std::int32_t>((static_cast<double>(rate_) * 7 + tick_bytes_) * 0.125);
  tick_bytes_ = 0;
  budget_ = settings_.rate_limit;
  auto waiting = std::move(waiting_for_budget_);
  waiting_for_budget_.clear();
  for (auto& [index, conn] : waiting) {
    if (index < connections_.size() && connections_[index] == conn && !abort_) {
      read_next(index, conn);
    }
  }

  const auto now = clock::now();
  const auto timeout = std::chrono::seconds(settings_.timeout_seconds);
  bool all_done = true;
  {
    std::lock_guard<std::mutex> lock(connections_lock_);
    for (std::size_t i = 0; i < connections_.size(); ++i) {
      connection_ptr& conn = connections_[i];
      if (conn->done) continue;
      const bool refused = IsRefusal(conn->last_error) && conn->idle;
      const bool due = refused ? now >= conn->not_before
                               : conn->stamped && now - conn->last_request_time > timeout;
      if (!due && !conn->direct_reconnect) continue;
      // A reopen for a stall or an error (not for the next range, not after a refusal) counts
      // against the connection.
      if (!conn->direct_reconnect && !refused) ++conn->failures;
      reopen(i, conn);
    }
    const auto live = std::count_if(connections_.begin(), connections_.end(),
                                    [](const connection_ptr& conn) { return !conn->done; });
    live_ = static_cast<std::int32_t>(live);
    all_done = live == 0;
  }
  if (all_done || abort_) {
    finish();
    return;
  }
  arm_timer();
}

void multi_download::reopen(std::size_t index, connection_ptr& conn) {
  error_code ignored;
  conn->stream->Close(ignored);
  const error_code last = conn->last_error;
  const bool others_alive =
      std::any_of(connections_.begin(), connections_.end(), [&](const connection_ptr& other) {
        return other != conn && !other->done && !IsRefusal(other->last_error);
      });
  const bool gives_up = RetiresForGood(last) || conn->reply_faults >= kMaxReplyFaults ||
                        conn->failures >= kMaxFailures || conn->refusals >= kMaxRefusals ||
                        (conn->refusals >= kRefusalsBeforeRetiring && others_alive);
  if (!range_mode_) {
    conn->done = true;
    abort_ = true;
    return;
  }
  if (gives_up) {
    // Its claim goes back to the others, which fetch it when they look for work; one that has
    // already retired for want of work comes back for it.
    release_claim(*conn);
    conn->done = true;
    for (auto& other : connections_) {
      if (other->out_of_work) {
        other->out_of_work = false;
        other->done = false;
        other->direct_reconnect = true;
        break;
      }
    }
    return;
  }
  auto fresh = std::make_shared<connection>(*conn);
  fresh->stream = std::make_shared<http_stream>(io_, tls_);
  fresh->direct_reconnect = false;
  fresh->whole_body = false;
  fresh->body_left_over = false;
  if (!fresh->has_range || fresh->outstanding() <= 0) {
    byte_range range;
    if (!claim_range(range) && !take_over_tail(index, range)) {
      fresh->done = true;
      fresh->out_of_work = true;
      fresh->has_range = false;
      conn = fresh;
      return;
    }
    fresh->request_range = range;
    fresh->has_range = true;
    fresh->transferred = 0;
  }
  prepare_request(*fresh, true);
  conn = fresh;
  async_open(index, fresh);
}

void multi_download::fail(const error_code& ec, const std::string& what) {
  {
    std::lock_guard<std::mutex> lock(failure_lock_);
    if (!failure_) {
      failure_ = ec;
      failure_text_ = what + ": " + ec.message();
    }
  }
  finish();
}

void multi_download::finish() {
  abort_ = true;
  live_ = 0;
  close_all_connections();
  if (timer_armed_) {
    timer_.cancel();  // its handler saves the resume file and closes the files
  } else {
    if (range_mode_) save_meta();
    close_files();
  }
}

void multi_download::close_all_connections() {
  std::lock_guard<std::mutex> lock(connections_lock_);
  for (const auto& conn : connections_) {
    error_code ignored;
    conn->stream->Close(ignored);
  }
  waiting_for_budget_.clear();
}

void multi_download::stop() {
  abort_ = true;
  // Streams belong to the io thread: the close runs there.
  boost::asio::post(io_, [this] { finish(); });
}

void multi_download::close_files() { storage_.reset(); }

std::int64_t multi_download::downloaded_bytes() const {
  if (range_mode_ && total_ > 0) return written_.covered();
  return single_written_;
}

std::wstring multi_download::file_path_of() {
  if (data_path_.empty() && !settings_.file_path.empty()) data_path_ = settings_.file_path;
  return data_path_;
}

std::wstring multi_download::meta_path() const { return settings_.meta_path; }

error_code multi_download::failure() const {
  std::lock_guard<std::mutex> lock(failure_lock_);
  return failure_;
}

std::string multi_download::failure_text() const {
  std::lock_guard<std::mutex> lock(failure_lock_);
  return failure_text_;
}

void multi_download::save_meta() {
  if (!range_mode_ || total_ <= 0 || settings_.piece_size <= 0) return;
  resume_meta meta = make_resume_meta(final_url_, total_, settings_.piece_size, written_);
  meta.etag = etag_;
  meta.last_modified = last_modified_;
  std::string bytes = encode_resume_meta(meta);
  if (bytes == last_saved_meta_) return;  // nothing changed since the last save
  if (!replace_resume_file(settings_.meta_path, meta)) last_saved_meta_ = std::move(bytes);
}

bool multi_download::validators_match(const std::string& etag,
                                      const std::string& last_modified) const {
  if (!etag.empty() && etag != etag_) return false;
  if (!last_modified.empty() && last_modified != last_modified_) return false;
  return true;
}

bool multi_download::load_meta(std::string& problem) {
  disk_file file;
  resume_meta meta;
  const resume_load result = load_resume_file(file, settings_.meta_path, meta, problem);
  file.close();
  if (result != resume_load::restored) return false;
  if (meta.file_size != total_) {
    problem = "the file's size changed";
    return false;
  }
  if (!validators_match(meta.etag, meta.last_modified)) {
    problem = "the file changed on the server";
    return false;
  }
  if (settings_.use_stored_url && !meta.final_url.empty()) {
    error_code ec;
    const ParsedUrl stored = ParsedUrl::FromString(meta.final_url, ec);
    if (!ec) final_url_ = stored;
  }
  settings_.piece_size = static_cast<std::int32_t>(meta.piece_size);
  restore_ranges(meta, claimed_, written_);
  last_saved_meta_ = encode_resume_meta(meta);
  return true;
}

}  // namespace khttp
