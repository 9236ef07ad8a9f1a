// The values of the resume file's encoding (bencoding, as in BitTorrent metainfo files).
#pragma once

#include <boost/system/error_code.hpp>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace khttp {

/// One bencoded value: an integer, a byte string, a list, a dictionary (keys in ascending byte
/// order) or undefined (no value yet; encodes to nothing).
class entry {
 public:
  enum class kind { undefined, integer, string, list, dictionary };
  using list_type = std::vector<entry>;
  using dictionary_type = std::map<std::string, entry>;

  /// Undefined. The other constructors are implicit so that dict["file_size"] = total reads
  /// as what it does.
  entry() = default;
  entry(std::int64_t value);
  entry(std::string value);
  entry(const char* value);
  entry(list_type value);
  entry(dictionary_type value);

  kind type() const { return kind_; }

  /// The value under `key`. An undefined value becomes an empty dictionary first and a missing
  /// key is inserted undefined, so a missing key reads as 0 or "". Throws
  /// boost::system::system_error with http_error::invalid_entry_type on any other kind.
  entry& operator[](const std::string& key);
  /// The value under `key`, or null when this is no dictionary or the key is missing.
  const entry* find(const std::string& key) const;

  /// The value as an integer, string, list or dictionary. An undefined value becomes the
  /// empty value of that kind first; another kind throws invalid_entry_type.
  std::int64_t& integer();
  std::string& string();
  list_type& list();
  dictionary_type& dict();
  /// Read-only forms: throw invalid_entry_type on any other kind, undefined included.
  std::int64_t integer() const;
  const std::string& string() const;
  const list_type& list() const;
  const dictionary_type& dict() const;

  friend bool operator==(const entry& a, const entry& b);
  friend bool operator!=(const entry& a, const entry& b) { return !(a == b); }

 private:
  void become(kind wanted);
  void expect(kind wanted) const;

  kind kind_ = kind::undefined;
  std::int64_t integer_ = 0;
  std::string string_;
  list_type list_;
  dictionary_type dict_;
};

/// The bencoding of `value`: "i<n>e", "<length>:<bytes>", "l...e", "d<key><value>...e".
std::string encode(const entry& value);

/// Reads one bencoded value from the start of `bytes`; bytes after it are ignored. Undefined on
/// any error: nesting deeper than 100, an integer without digits, with anything else between
/// "i" and "e" or beyond the int64 range, a string longer than the bytes left, a truncated
/// list or dictionary, an unknown leading byte. A dictionary key that is not a string ends the
/// dictionary.
entry decode(const std::string& bytes);

}  // namespace khttp
