#include "khttp/entry.h"

#include <boost/system/system_error.hpp>
#include <limits>

#include "khttp/http_error.h"

namespace khttp {
namespace {

constexpr int kMaxDepth = 100;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class decoder {
 public:
  explicit decoder(const std::string& bytes) : bytes_(bytes) {}

  // Reads the value at the current position into `out`; false on any error.
  bool value(entry& out, int depth) {
    if (depth > kMaxDepth || pos_ >= bytes_.size()) return false;
    const char lead = bytes_[pos_];
    if (lead == 'i') return integer(out);
    if (IsDigit(lead)) {
      std::string text;
      if (!string(text)) return false;
      out = entry(std::move(text));
      return true;
    }
    if (lead == 'l') return list(out, depth);
    if (lead == 'd') return dictionary(out, depth);
    return false;
  }

 private:
  bool integer(entry& out) {
    const auto end = bytes_.find('e', pos_ + 1);
    if (end == std::string::npos) return false;
    std::size_t at = pos_ + 1;
    const bool negative = at < end && bytes_[at] == '-';
    if (negative) ++at;
    if (at == end) return false;  // no digit
    // Accumulated as a negative number so that the int64 minimum fits too.
    std::int64_t value = 0;
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    for (; at < end; ++at) {
      if (!IsDigit(bytes_[at])) return false;
      const int digit = bytes_[at] - '0';
      if (value < (kMin + digit) / 10) return false;  // beyond the int64 range
      value = value * 10 - digit;
    }
    if (!negative) {
      if (value == kMin) return false;
      value = -value;
    }
    out = entry(value);
    pos_ = end + 1;
    return true;
  }

  bool string(std::string& out) {
    const auto colon = bytes_.find(':', pos_);
    if (colon == std::string::npos) return false;
    std::size_t length = 0;
    for (std::size_t at = pos_; at < colon; ++at) {
      if (!IsDigit(bytes_[at])) return false;
      length = length * 10 + static_cast<std::size_t>(bytes_[at] - '0');
      if (length > bytes_.size()) return false;  // more than all the bytes there are
    }
    if (length > bytes_.size() - colon - 1) return false;
    out = bytes_.substr(colon + 1, length);
    pos_ = colon + 1 + length;
    return true;
  }

  bool list(entry& out, int depth) {
    ++pos_;
    entry::list_type items;
    while (pos_ < bytes_.size() && bytes_[pos_] != 'e') {
      entry item;
      if (!value(item, depth + 1)) return false;
      items.push_back(std::move(item));
    }
    if (pos_ >= bytes_.size()) return false;
    ++pos_;
    out = entry(std::move(items));
    return true;
  }

  bool dictionary(entry& out, int depth) {
    ++pos_;
    entry::dictionary_type items;
    for (;;) {
      if (pos_ >= bytes_.size()) return false;
      if (bytes_[pos_] == 'e') {
        ++pos_;
        break;
      }
      if (!IsDigit(bytes_[pos_])) break;  // a key that is no string ends the dictionary
      std::string key;
      if (!string(key)) return false;
      entry item;
      if (!value(item, depth + 1)) return false;
      items[std::move(key)] = std::move(item);
    }
    out = entry(std::move(items));
    return true;
  }

  const std::string& bytes_;
  std::size_t pos_ = 0;
};

void encode_to(const entry& value, std::string& out) {
  switch (value.type()) {
    case entry::kind::undefined:
      break;
    case entry::kind::integer:
      out += 'i' + std::to_string(value.integer()) + 'e';
      break;
    case entry::kind::string:
      out += std::to_string(value.string().size()) + ':' + value.string();
      break;
    case entry::kind::list:
      out += 'l';
      for (const auto& item : value.list()) encode_to(item, out);
      out += 'e';
      break;
    case entry::kind::dictionary:
      out += 'd';
      for (const auto& [key, item] : value.dict()) {
        out += std::to_string(key.size()) + ':' + key;
        encode_to(item, out);
      }
      out += 'e';
      break;
  }
}

}  // namespace

entry::entry(std::int64_t value) : kind_(kind::integer), integer_(value) {}
entry::entry(std::string value) : kind_(kind::string), string_(std::move(value)) {}
entry::entry(const char* value) : kind_(kind::string), string_(value) {}
entry::entry(list_type value) : kind_(kind::list), list_(std::move(value)) {}
entry::entry(dictionary_type value) : kind_(kind::dictionary), dict_(std::move(value)) {}

void entry::become(kind wanted) {
  if (kind_ == kind::undefined) kind_ = wanted;
  expect(wanted);
}

void entry::expect(kind wanted) const {
  if (kind_ != wanted) {
    throw boost::system::system_error(make_error_code(http_error::invalid_entry_type));
  }
}

entry& entry::operator[](const std::string& key) { return dict()[key]; }

const entry* entry::find(const std::string& key) const {
  if (kind_ != kind::dictionary) return nullptr;
  const auto found = dict_.find(key);
  return found == dict_.end() ? nullptr : &found->second;
}

std::int64_t& entry::integer() {
  become(kind::integer);
  return integer_;
}
std::string& entry::string() {
  become(kind::string);
  return string_;
}
entry::list_type& entry::list() {
  become(kind::list);
  return list_;
}
entry::dictionary_type& entry::dict() {
  become(kind::dictionary);
  return dict_;
}
std::int64_t entry::integer() const {
  expect(kind::integer);
  return integer_;
}
const std::string& entry::string() const {
  expect(kind::string);
  return string_;
}
const entry::list_type& entry::list() const {
  expect(kind::list);
  return list_;
}
const entry::dictionary_type& entry::dict() const {
  expect(kind::dictionary);
  return dict_;
}

bool operator==(const entry& a, const entry& b) {
  if (a.kind_ != b.kind_) return false;
  switch (a.kind_) {
    case entry::kind::undefined:
      return true;
    case entry::kind::integer:
      return a.integer_ == b.integer_;
    case entry::kind::string:
      return a.string_ == b.string_;
    case entry::kind::list:
      return a.list_ == b.list_;
    case entry::kind::dictionary:
      return a.dict_ == b.dict_;
  }
  return false;
}

std::string encode(const entry& value) {
  std::string out;
  encode_to(value, out);
  return out;
}

entry decode(const std::string& bytes) {
  entry result;
  decoder reader(bytes);
  if (!reader.value(result, 1)) return entry();
  return result;
}

}  // namespace khttp
